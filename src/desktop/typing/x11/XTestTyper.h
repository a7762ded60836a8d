#pragma once

#include "desktop/typing/TypingBackend.h"

// Types keysyms into the focused window of the X display through the XTest
// extension. A keysym the current layout has is typed with its key (and
// Shift where it sits on the second level); the others are put for the time
// of typing on keycodes the layout leaves empty, and the keymap is put back
// once the window typed into has read them. Nothing is typed when some keysym
// has no place.
class XTestTyper : public TypingBackend
{
public:
    Session session() const override { return Session::X11; }
    // Never asked: on X11 nothing is prepared, and whether the display has
    // the extension is found when typing.
    bool offered() override { return true; }
    KeystrokeTyper::Outcome type(const QList<quint32>& keysyms) override;
};
