#pragma once

#include "KeystrokeTyper.h"

#include <QString>

// Types keysyms through the remote-desktop portal of the desktop (on the
// session bus), the way that KDE Plasma and GNOME let an ordinary program
// send keys under Wayland: a session is created, its keyboard selected and
// started, which may ask the user, and each keysym goes out as a press and a
// release. The desktop turns a keysym into a key of the user's layout, or
// into one it sets aside for it where it does that.
//
// The permission is kept where the portal allows it: the restore token it
// answers is saved in the state folder and given at the next session, so
// that the user is asked once. A refusal is remembered until the program
// ends, so that the question does not come back at every pick.
class RemoteDesktopTyper
{
public:
    // Makes the session ready before typing, asking the user where the
    // portal has to. Typed when it is ready; NotOffered when there is no
    // portal with a keyboard, the user refused now or before, or no answer
    // came in time.
    static KeystrokeTyper::Outcome open();

    // Types the keysyms in the session opened before, or in one opened now,
    // and closes it.
    static KeystrokeTyper::Outcome type(const QList<quint32>& keysyms);

    // Ends the session, if one is open.
    static void close();

    // Where the restore token is kept: ZunoSmileys/remote-desktop-token in
    // $XDG_STATE_HOME (~/.local/state by default).
    static QString restoreTokenPath();
};
