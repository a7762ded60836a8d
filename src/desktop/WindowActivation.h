#pragma once

#include <QString>

class QWindow;

// Brings one of the program's windows to the front with the keyboard, as a
// start by the desktop asks (a key binding, a launcher). On X11 the window
// manager is asked. On Wayland a running program may take the keyboard only
// with the activation token the compositor gave the start (carried over by
// the hand-over), and some compositors honour even that only by marking the
// window urgent (sway's default), or refuse it (KWin, for a token it gave a
// start by a program it does not trust); every compositor focuses a window
// mapped anew (KWin even at its extreme focus stealing prevention), so a window
// not already active is unmapped and mapped again, with the token where
// there is one.
class WindowActivation
{
public:
    // token: the start's XDG_ACTIVATION_TOKEN (or DESKTOP_STARTUP_ID on
    // X11), empty when it had none.
    static void bringForward(QWindow* window, const QString& token);
};
