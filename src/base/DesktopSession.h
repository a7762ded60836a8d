#pragma once

#include <QtGlobal>

// A Wayland session: the compositor, not the X server, owns the keyboard
// focus, even for a program that is shown through XWayland.
inline bool isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}
