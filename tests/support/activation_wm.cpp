// A stand-in window manager for tests on a bare X display: it says that it
// runs and answers _NET_ACTIVE_WINDOW, and for each activation request gives
// the window the input focus, records it as active and prints
// "activate <window> <source indication>"; a window that comes up is made
// active the same way (source 0). It prints "ready" once it runs and ends
// when killed, leaving its word on the root window as a window manager that
// crashed does. Windows are not managed otherwise.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <initializer_list>

namespace {

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0; // a window may be gone before its request is answered
}

} // namespace

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    const Atom activeWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    const Atom supportingCheck = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);

    const Window check = XCreateSimpleWindow(display, root, -1, -1, 1, 1, 0, 0, 0);
    for (const Window window : {root, check})
        XChangeProperty(display, window, supportingCheck, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&check), 1);
    const Atom features[] = {activeWindow, supportingCheck};
    XChangeProperty(display, root, supported, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(features), 2);
    // Requests to the window manager come as client messages to the root.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        Window window = None;
        long source = 0;
        if (event.type == ClientMessage && event.xclient.message_type == activeWindow) {
            window = event.xclient.window;
            source = event.xclient.data.l[0];
        } else if (event.type == MapNotify && !event.xmap.override_redirect) {
            window = event.xmap.window; // a new window comes up active
        } else {
            continue;
        }
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XChangeProperty(display, root, activeWindow, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&window), 1);
        XSync(display, False);
        std::printf("activate %lu %ld\n", window, source);
        std::fflush(stdout);
    }
}
