// The generated interface descriptions of the virtual-keyboard protocol,
// compiled as C++: the header's declarations come first and give the
// definitions their external linkage (with the header's visibility, which
// the generated hidden-visibility mark cannot change any more).
#include "desktop/typing/wayland/virtual-keyboard-unstable-v1-client-protocol.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
extern "C" {
#include "desktop/typing/wayland/virtual-keyboard-unstable-v1-protocol.c"
}
#pragma GCC diagnostic pop
