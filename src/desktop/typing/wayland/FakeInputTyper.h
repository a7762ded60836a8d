#pragma once

#include "desktop/typing/TypingBackend.h"

// Types keysyms into the focused window of KWin (KDE Plasma) through its
// fake-input protocol (org_kde_kwin_fake_input), which KWin offers only to
// the programs whose desktop file asks for it (X-KDE-Wayland-Interfaces);
// no question is asked. Keys go by their codes in the compositor's keymap,
// with Shift where the keysym sits on the second level; the keymap cannot be
// changed, so nothing is typed when a keysym is not in the user's layout.
class FakeInputTyper : public TypingBackend
{
public:
    Session session() const override { return Session::Wayland; }
    // Whether the compositor gives this program the protocol.
    bool offered() override;

    KeystrokeTyper::Outcome type(const QList<quint32>& keysyms) override;
};
