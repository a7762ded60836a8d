#include "desktop/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <atomic>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString responseSignal = QStringLiteral("Response");

// Unique within the process, so that two requests never share an object.
QString nextHandleToken()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("zuno%1").arg(++counter);
}

} // namespace

PortalRequest::PortalRequest(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        // A question may still be on screen: it goes, and nothing comes of it.
        if (!m_requestPath.isEmpty())
            m_bus.call(QDBusMessage::createMethodCall(portalService, m_requestPath,
                                                      requestInterface, QStringLiteral("Close")),
                       QDBus::NoBlock);
        finish(Answer::NoAnswer);
    });
}

void PortalRequest::send(const QString& interface, const QString& method, QVariantList arguments,
                         int timeoutMilliseconds)
{
    if (!m_bus.isConnected() || arguments.isEmpty()) {
        // Answered from the event loop all the same, like every other answer.
        QMetaObject::invokeMethod(
            this, [this] { finish(Answer::Failed); }, Qt::QueuedConnection);
        return;
    }
    const QString token = nextHandleToken();
    QVariantMap options = arguments.last().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.last() = options;
    // ":1.42" is known to the portal as "1_42".
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    listen(QStringLiteral("%1/request/%2/%3").arg(portalPath, sender, token));
    m_deadline.start(timeoutMilliseconds);

    QDBusMessage message =
        QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
    message.setArguments(arguments);
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(message, timeoutMilliseconds), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (m_finished)
            return;
        const QDBusMessage reply = watcher->reply();
        if (reply.type() != QDBusMessage::ReplyMessage) {
            finish(Answer::Failed);
            return;
        }
        // A portal older than handle tokens names its request object itself.
        if (const auto path = reply.arguments().value(0).value<QDBusObjectPath>().path();
            !path.isEmpty() && path != m_requestPath) {
            stopListening();
            listen(path);
        }
    });
}

void PortalRequest::listen(const QString& path)
{
    m_requestPath = path;
    m_bus.connect(portalService, path, requestInterface, responseSignal, this,
                  SLOT(responded(uint, QVariantMap)));
}

void PortalRequest::stopListening()
{
    if (m_requestPath.isEmpty())
        return;
    m_bus.disconnect(portalService, m_requestPath, requestInterface, responseSignal, this,
                     SLOT(responded(uint, QVariantMap)));
    m_requestPath.clear();
}

void PortalRequest::responded(uint response, const QVariantMap& results)
{
    if (m_finished)
        return;
    m_results = results;
    switch (response) {
    case 0:
        finish(Answer::Granted);
        break;
    case 1:
        finish(Answer::Refused);
        break;
    default:
        finish(Answer::Failed);
        break;
    }
}

void PortalRequest::finish(Answer answer)
{
    if (m_finished)
        return;
    m_finished = true;
    m_deadline.stop();
    stopListening();
    Q_EMIT answered(answer);
}
