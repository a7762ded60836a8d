#pragma once

#include "desktop/typing/TypingBackend.h"

// Types keysyms into the focused surface of a Wayland compositor through the
// virtual-keyboard protocol (zwp_virtual_keyboard_manager_v1). The keyboard
// brings its own keymap with one key for each distinct keysym, so neither
// the user's layout nor modifiers come into play.
class VirtualKeyboardTyper : public TypingBackend
{
public:
    Session session() const override { return Session::Wayland; }
    // Whether the compositor gives this program a virtual keyboard.
    bool offered() override;
    KeystrokeTyper::Outcome type(const QList<quint32>& keysyms) override;
};
