#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

// One call to a desktop portal whose answer comes later, as the Response
// signal of a request object, and a bounded wait for that answer. The request
// object's path is known before the call (the portal builds it from the
// caller's bus name and the handle token given), so the answer cannot slip
// by before it is listened for.
class PortalRequest : public QObject
{
    Q_OBJECT

public:
    enum class Answer {
        Granted,  // the portal did what was asked; results() holds what it said
        Refused,  // the user said no
        Failed,   // the portal is not on the bus, answered with an error or ended the request
        NoAnswer, // the portal said nothing in time
    };

    explicit PortalRequest(const QDBusConnection& bus);

    // Calls method of interface on the portal with arguments, the last of
    // which is the options map the handle token is added to, and waits at
    // most timeoutMilliseconds for the answer (a request left unanswered is
    // closed, so that a question still on screen goes away).
    Answer call(const QString& interface, const QString& method, QVariantList arguments,
                int timeoutMilliseconds);

    const QVariantMap& results() const { return m_results; }

private Q_SLOTS:
    void answered(uint response, const QVariantMap& results);

private:
    QDBusConnection m_bus;
    bool m_answered = false;
    uint m_response = 2;
    QVariantMap m_results;
};
