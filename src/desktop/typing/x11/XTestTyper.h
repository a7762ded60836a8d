#pragma once

#include "desktop/typing/KeystrokeTyper.h"

// Types keysyms into the focused window of the X display through the XTest
// extension. A keysym the current layout has is typed with its key (and
// Shift where it sits on the second level); the others are put for the time
// of typing on keycodes the layout leaves empty, and the keymap is put back
// once the window typed into has read them. Nothing is typed when some keysym
// has no place.
class XTestTyper
{
public:
    static KeystrokeTyper::Outcome type(const QList<quint32>& keysyms);
};
