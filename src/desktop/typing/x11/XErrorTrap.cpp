#include "desktop/typing/x11/XErrorTrap.h"

namespace {
bool s_failed = false;
}

XErrorTrap::XErrorTrap(Display* display)
    : m_display(display)
{
    XSync(m_display, False);
    s_failed = false;
    m_previous = XSetErrorHandler(&XErrorTrap::note);
}

XErrorTrap::~XErrorTrap()
{
    // The answers to requests still under way come to this trap, too.
    XSync(m_display, False);
    XSetErrorHandler(m_previous);
}

bool XErrorTrap::failed()
{
    XSync(m_display, False);
    return s_failed;
}

int XErrorTrap::note(Display*, XErrorEvent*)
{
    s_failed = true;
    return 0;
}
