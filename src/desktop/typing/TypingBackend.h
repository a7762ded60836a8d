#pragma once

#include "desktop/typing/KeystrokeTyper.h"

#include <QList>

// One way of typing keysyms into the focused window, as the typing module
// hands them out (TypingModule.h) and KeystrokeTyper walks them: those of
// the session's kind in the module's order, until one types or fails.
class TypingBackend
{
public:
    // The kind of session a backend types in; it is never asked in another.
    enum class Session { X11, Wayland };

    virtual ~TypingBackend() = default;

    virtual Session session() const = 0;

    // Whether this session gives the program this way, asked while the
    // program's window is in front; where no way of its kind is offered, the
    // desktop's portal is prepared instead. Types nothing.
    virtual bool offered() = 0;

    // Types the keysyms; NotOffered when this way is not given here after
    // all and nothing was typed, so that the next is tried.
    virtual KeystrokeTyper::Outcome type(const QList<quint32>& keysyms) = 0;
};
