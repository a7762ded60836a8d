// The generated interface descriptions of KWin's window list, compiled as
// C++ as the typing module's protocols are.
#include "service/insert-text/plasma-window-management-client-protocol.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
extern "C" {
#include "service/insert-text/plasma-window-management-protocol.c"
}
#pragma GCC diagnostic pop
