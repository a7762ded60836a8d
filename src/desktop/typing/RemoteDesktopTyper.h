#pragma once

#include "desktop/typing/KeystrokeTyper.h"

#include <QString>

#include <functional>

class QObject;

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
    // portal has to, without waiting: ready is called later from the event
    // loop, never before open() returns, and not at all once context is gone.
    // Typed when the session is ready; NotOffered when there is no portal
    // with a keyboard, the user refused now or before, no answer came in
    // time or close() was called meanwhile. Calls made while a session is
    // being opened share its outcome.
    static void open(QObject* context, std::function<void(KeystrokeTyper::Outcome)> ready);

    // Types the keysyms in the session opened before, as plain calls that
    // the portal answers at once, and closes it. NotOffered when no session
    // is open (opening one may ask the user, which typing does not wait for).
    static KeystrokeTyper::Outcome type(const QList<quint32>& keysyms);

    // Ends the session, if one is open, or the opening of one.
    static void close();

    // Where the restore token is kept: ZunoSmileys/remote-desktop-token in
    // $XDG_STATE_HOME (~/.local/state by default).
    static QString restoreTokenPath();
};
