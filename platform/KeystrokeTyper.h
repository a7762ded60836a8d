#pragma once

#include <QList>
#include <QString>

// Types a text into the window with the keyboard focus as key events, the
// way a person at the keyboard would: on X11 through the XTest extension, in
// a Wayland session through the compositor's virtual keyboard where it offers
// one. The caller falls back to the clipboard when nothing was typed.
class KeystrokeTyper
{
public:
    enum class Outcome {
        Typed,      // every character went out as key events
        NotOffered, // this desktop offers no way to type; nothing was typed
        Failed      // typing was possible but went wrong; nothing or part was typed
    };

    static Outcome type(const QString& text);

    // The keysyms the text is typed with, one for each character: a line
    // break (LF, CR or CR LF) is Return, a tab is Tab, other control
    // characters have no key and are left out.
    static QList<quint32> keysymsOf(const QString& text);
};
