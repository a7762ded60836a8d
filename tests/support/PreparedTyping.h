#pragma once

#include "desktop/typing/KeystrokeTyper.h"

#include <QObject>
#include <QTest>

#include <optional>

// Prepares the way to type as the program does, and waits for the outcome
// (the portal's deadline is a minute); Failed when it never came or came
// before prepare() returned, which callers must never see.
inline KeystrokeTyper::Outcome preparedTyping()
{
    QObject context;
    std::optional<KeystrokeTyper::Outcome> outcome;
    KeystrokeTyper::prepare(&context, [&](KeystrokeTyper::Outcome ready) { outcome = ready; });
    if (outcome)
        return KeystrokeTyper::Outcome::Failed;
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 70000))
        return KeystrokeTyper::Outcome::Failed;
    return *outcome;
}
