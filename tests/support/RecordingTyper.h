#pragma once

#include "desktop/typing/TypingBackend.h"

// A typing backend a test puts in the place of the module's
// (KeystrokeTyper::setBackends): it types nothing, records the keysyms it
// was given and answers as the test says.
class RecordingTyper : public TypingBackend
{
public:
    RecordingTyper(Session session, bool offers, KeystrokeTyper::Outcome answer)
        : m_session(session)
        , m_offers(offers)
        , m_answer(answer)
    {}

    Session session() const override { return m_session; }
    bool offered() override { return m_offers; }
    KeystrokeTyper::Outcome type(const QList<quint32>& keysyms) override
    {
        typed.append(keysyms);
        return m_answer;
    }

    QList<QList<quint32>> typed;

private:
    Session m_session;
    bool m_offers;
    KeystrokeTyper::Outcome m_answer;
};
