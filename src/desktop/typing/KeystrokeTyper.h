#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QObject;
class TypingBackend;

// Types a text into the window with the keyboard focus as key events, the
// way a person at the keyboard would. The way is chosen when typing, in this
// order:
// - on X11, the XTest extension (x11/XTestTyper);
// - in a Wayland session, the compositor's virtual keyboard where it offers
//   one to every program (wlroots compositors; wayland/VirtualKeyboardTyper);
// - else KWin's fake input where KWin grants it to this program through its
//   desktop file (KDE Plasma; wayland/FakeInputTyper), which types only what
//   the user's layout has;
// - else the desktop's remote-desktop portal (KDE Plasma, GNOME;
//   RemoteDesktopTyper), which may ask the user first.
// The caller falls back to the clipboard when nothing was typed. The ways
// but the portal are the backends of a module loaded the first time they are
// needed (TypingBackend.h, TypingModule.h); without it only the portal types.
class KeystrokeTyper
{
public:
    enum class Outcome {
        Typed,      // every character went out as key events
        NotOffered, // this desktop offers no way to type, or the user refused; nothing was typed
        Failed      // typing was possible but went wrong; nothing or part was typed
    };

    // Makes the way to type ready while the program's window is still in
    // front: the portal's question, where one comes, takes the keyboard for
    // a while, and must be gone before the window the user came from gets it
    // back. Nothing waits: ready is always called later from the event loop
    // (queued, never before prepare() returns), and not at all once context
    // is destroyed; at the next turn of the loop on X11, with a virtual
    // keyboard or KWin's fake input, once the portal's session is started,
    // refused or timed out otherwise. NotOffered when nothing can type here
    // (then nothing need be hidden or waited for: the entry goes to the
    // clipboard); Typed when ready. A session it opens is used by the next
    // type() or ended by cancel().
    static void prepare(QObject* context, std::function<void(Outcome)> ready);

    // Types the text, through the session prepare() opened where the portal
    // types (without one, the portal types nothing: NotOffered).
    static Outcome type(const QString& text);

    // Ends what prepare() opened, when nothing is to be typed after all.
    static void cancel();

    // Puts the given backends in the place of the typing module's, walked as
    // its are, for tests (tests/support/RecordingTyper.h); nullopt puts the
    // module's back. The backends must outlive their use.
    static void setBackends(std::optional<QList<TypingBackend*>> backends);

    // The keysyms the text is typed with, one for each character: a line
    // break (LF, CR or CR LF) is Return, a tab is Tab, other control
    // characters have no key and are left out.
    static QList<quint32> keysymsOf(const QString& text);
};
