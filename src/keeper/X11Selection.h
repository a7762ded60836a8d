#pragma once

#include <cstdint>

// A selection of this process's X display, as the X server has it: Qt keeps
// its own idea of what it owns, which a race between owners can leave
// behind the server's.
namespace X11Selection {

// The window that owns the named selection; 0 where the platform is not
// X11, the build has no X11 (ZUNO_X11), or nobody owns it.
std::uint32_t owner(const char* selection);

// Whether a window of this process's display connection owns it; without
// X11 in the build, Qt's own answer stands and this says yes.
bool ownedHere(const char* selection);

} // namespace X11Selection
