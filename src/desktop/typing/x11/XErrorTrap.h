#pragma once

#include <X11/Xlib.h>

// Catches the errors of the requests made on a display connection while it
// lives, instead of ending the program as Xlib's default handler does: a
// window may vanish at any moment, and the keyboard belongs to others too.
// Xlib's handler is process-wide, so the previous one is put back; traps are
// not nested.
class XErrorTrap
{
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Whether a request since the trap was set failed.
    bool failed();

private:
    static int note(Display* display, XErrorEvent* error);

    Display* m_display;
    XErrorHandler m_previous = nullptr;
};
