#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

// One call to a desktop portal whose answer comes later, as the Response
// signal of a request object. The request object's path is known before the
// call (the portal builds it from the caller's bus name and the handle token
// given), so the answer cannot slip by before it is listened for. Nothing
// waits: answered() is emitted once, from the event loop, when the answer
// came, the call failed or the deadline passed.
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
    Q_ENUM(Answer)

    explicit PortalRequest(const QDBusConnection& bus, QObject* parent = nullptr);

    // Calls method of interface on the portal with arguments, the last of
    // which is the options map the handle token is added to. The answer
    // comes at most timeoutMilliseconds later (a request left unanswered is
    // closed, so that a question still on screen goes away). One call per
    // request object.
    void send(const QString& interface, const QString& method, QVariantList arguments,
              int timeoutMilliseconds);

    const QVariantMap& results() const { return m_results; }

Q_SIGNALS:
    void answered(PortalRequest::Answer answer);

private Q_SLOTS:
    void responded(uint response, const QVariantMap& results);

private:
    void listen(const QString& path);
    void stopListening();
    void finish(Answer answer);

    QDBusConnection m_bus;
    QString m_requestPath;
    QTimer m_deadline;
    bool m_finished = false;
    QVariantMap m_results;
};
