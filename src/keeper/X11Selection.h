#pragma once

#include <xcb/xproto.h>

// A selection of this process's X display, as the X server has it: Qt keeps
// its own idea of what it owns, which a race between owners can leave
// behind the server's.
namespace X11Selection {

// The window that owns the named selection; none where the platform is not
// X11 or nobody owns it.
xcb_window_t owner(const char* selection);

// Whether a window of this process's display connection owns it.
bool ownedHere(const char* selection);

} // namespace X11Selection
