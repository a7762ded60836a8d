#include "desktop/ActiveWindow.h"

#if ZUNO_WITH_X11
#include "base/DesktopSession.h"

#include <QDeadlineTimer>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// After Qt's headers, which Xlib's macros (Bool, Status) would break.
#include "desktop/typing/x11/XErrorTrap.h"

#include <memory>

namespace {

struct DisplayCloser
{
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr openDisplay()
{
    if (isWaylandSession())
        return nullptr;
    return DisplayPtr(XOpenDisplay(nullptr));
}

Atom atom(Display* display, const char* name)
{
    return XInternAtom(display, name, False);
}

// The first value of a 32-bit property, 0 when it is not set.
unsigned long propertyValue(Display* display, Window window, Atom property, Atom type)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    unsigned long value = 0;
    if (XGetWindowProperty(display, window, property, 0, 1, False, type, &actualType, &format,
                           &count, &remaining, &data) == Success &&
        actualType == type && format == 32 && count == 1)
        value = reinterpret_cast<unsigned long*>(data)[0];
    if (data)
        XFree(data);
    return value;
}

bool windowExists(Display* display, Window window)
{
    XErrorTrap trap(display);
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0 && !trap.failed();
}

// A window manager that says it runs and answers _NET_ACTIVE_WINDOW requests.
bool windowManagerActivates(Display* display)
{
    const Window root = DefaultRootWindow(display);
    const Window check =
        propertyValue(display, root, atom(display, "_NET_SUPPORTING_WM_CHECK"), XA_WINDOW);
    if (check == 0 || !windowExists(display, check))
        return false;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    bool supported = false;
    if (XGetWindowProperty(display, root, atom(display, "_NET_SUPPORTED"), 0, 4096, False, XA_ATOM,
                           &actualType, &format, &count, &remaining, &data) == Success &&
        actualType == XA_ATOM && format == 32) {
        const Atom wanted = atom(display, "_NET_ACTIVE_WINDOW");
        const auto* atoms = reinterpret_cast<Atom*>(data);
        for (unsigned long i = 0; i < count && !supported; ++i)
            supported = atoms[i] == wanted;
    }
    if (data)
        XFree(data);
    return supported;
}

// The server's time now, which a focus request must not be older than:
// a property change on a window of our own reports it.
Time serverTime(Display* display)
{
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    const Window window = XCreateWindow(display, DefaultRootWindow(display), -1, -1, 1, 1, 0, 0,
                                        InputOnly, CopyFromParent, CWEventMask, &attributes);
    const Atom property = atom(display, "_ZUNO_TIMESTAMP");
    XChangeProperty(display, window, property, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    XWindowEvent(display, window, PropertyChangeMask, &event);
    XDestroyWindow(display, window);
    return event.xproperty.time;
}

// Whether the input focus is on the window or on one inside it.
bool hasFocus(Display* display, Window window)
{
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    XErrorTrap trap(display);
    while (focus != None && focus != PointerRoot) {
        if (focus == window)
            return true;
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, focus, &root, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        focus = parent == root ? None : parent;
    }
    return false;
}

bool waitForFocus(Display* display, Window window, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!hasFocus(display, window)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}

void askWindowManager(Display* display, Window window, Time time)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(display, "_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // the request comes from a pager: no focus-stealing rules
    event.xclient.data.l[1] = static_cast<long>(time);
    event.xclient.data.l[2] = 0; // none of our windows is active
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

bool focusDirectly(Display* display, Window window, Time time)
{
    XErrorTrap trap(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || trap.failed() ||
        attributes.map_state != IsViewable)
        return false;
    XRaiseWindow(display, window);
    XSetInputFocus(display, window, RevertToParent, time);
    return !trap.failed();
}

} // namespace

ActiveWindow ActiveWindow::current()
{
    const DisplayPtr display = openDisplay();
    if (!display)
        return {};
    Display* d = display.get();
    // A window manager that has ended leaves its word behind on the root.
    Window window =
        windowManagerActivates(d)
            ? propertyValue(d, DefaultRootWindow(d), atom(d, "_NET_ACTIVE_WINDOW"), XA_WINDOW)
            : None;
    if (window == None) {
        int revert = 0;
        XGetInputFocus(d, &window, &revert);
        if (window == PointerRoot || window == DefaultRootWindow(d))
            window = None;
    }
    if (window == None || !windowExists(d, window))
        return {};
    return ActiveWindow(window);
}

bool ActiveWindow::activate() const
{
    if (isNull())
        return false;
    const DisplayPtr display = openDisplay();
    if (!display)
        return false;
    Display* d = display.get();
    const auto window = static_cast<Window>(m_window);
    if (!windowExists(d, window))
        return false;
    if (hasFocus(d, window))
        return true;
    // A window manager may be slow to act or decline; the focus is then
    // given directly, which works for a window it shows.
    if (windowManagerActivates(d)) {
        askWindowManager(d, window, serverTime(d));
        if (waitForFocus(d, window, 500))
            return true;
    }
    return focusDirectly(d, window, serverTime(d)) && waitForFocus(d, window, 500);
}

QString ActiveWindow::windowClass() const
{
    const DisplayPtr display = isNull() ? nullptr : openDisplay();
    if (!display)
        return {};
    XErrorTrap trap(display.get());
    XClassHint hint{nullptr, nullptr};
    QString name;
    if (XGetClassHint(display.get(), static_cast<Window>(m_window), &hint) && !trap.failed())
        name = QString::fromLocal8Bit(hint.res_class);
    XFree(hint.res_name);
    XFree(hint.res_class);
    return name;
}

#else
// A build without X11: no window of X11 is known, so a pick's entry goes to
// the clipboard there.
ActiveWindow ActiveWindow::current()
{
    return {};
}

bool ActiveWindow::activate() const
{
    return false;
}

QString ActiveWindow::windowClass() const
{
    return {};
}
#endif
