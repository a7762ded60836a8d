#include "PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// Unique within the process, so that two requests never share an object.
QString nextHandleToken()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("zuno%1").arg(++counter);
}

} // namespace

PortalRequest::PortalRequest(const QDBusConnection& bus)
    : m_bus(bus)
{}

PortalRequest::Answer PortalRequest::call(const QString& interface, const QString& method,
                                          QVariantList arguments, int timeoutMilliseconds)
{
    if (!m_bus.isConnected() || arguments.isEmpty())
        return Answer::Failed;
    const QString token = nextHandleToken();
    QVariantMap options = arguments.last().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.last() = options;
    // ":1.42" is known to the portal as "1_42".
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath = QStringLiteral("%1/request/%2/%3").arg(portalPath, sender, token);
    m_bus.connect(portalService, requestPath, requestInterface, QStringLiteral("Response"), this,
                  SLOT(answered(uint, QVariantMap)));
    QString answeredPath = requestPath;
    const auto disconnect = [&] {
        m_bus.disconnect(portalService, answeredPath, requestInterface, QStringLiteral("Response"),
                         this, SLOT(answered(uint, QVariantMap)));
    };

    QDeadlineTimer deadline(timeoutMilliseconds);
    QDBusMessage message =
        QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply =
        m_bus.call(message, QDBus::Block, static_cast<int>(deadline.remainingTime()));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        disconnect();
        return Answer::Failed;
    }
    // A portal older than handle tokens names its request object itself.
    if (const auto path = reply.arguments().value(0).value<QDBusObjectPath>().path();
        !path.isEmpty() && path != requestPath) {
        disconnect();
        answeredPath = path;
        m_bus.connect(portalService, answeredPath, requestInterface, QStringLiteral("Response"),
                      this, SLOT(answered(uint, QVariantMap)));
    }

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    while (!m_answered && !deadline.hasExpired()) {
        timer.start(static_cast<int>(qMax<qint64>(deadline.remainingTime(), 1)));
        loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    }
    disconnect();
    if (!m_answered) {
        // A question may still be on screen: it goes, and nothing comes of it.
        m_bus.call(QDBusMessage::createMethodCall(portalService, answeredPath, requestInterface,
                                                  QStringLiteral("Close")),
                   QDBus::NoBlock);
        return Answer::NoAnswer;
    }
    switch (m_response) {
    case 0:
        return Answer::Granted;
    case 1:
        return Answer::Refused;
    default:
        return Answer::Failed;
    }
}

void PortalRequest::answered(uint response, const QVariantMap& results)
{
    m_answered = true;
    m_response = response;
    m_results = results;
}
