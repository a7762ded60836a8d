// The generated interface descriptions of KWin's fake-input protocol,
// compiled as C++ for the same reason as VirtualKeyboardProtocol.cpp.
#include "desktop/typing/wayland/fake-input-client-protocol.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
extern "C" {
#include "desktop/typing/wayland/fake-input-protocol.c"
}
#pragma GCC diagnostic pop
