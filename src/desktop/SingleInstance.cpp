#include "desktop/SingleInstance.h"

#include "base/InstallLayout.h"
#include "base/NativePath.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>

#include <algorithm>

namespace {

// Times a start tries to take the name or reach its holder: a holder may
// give the name up between the two steps.
constexpr int Attempts = 3;

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::serviceName()
{
    return QLatin1String(InstallLayout::DesktopApplicationId);
}

QString SingleInstance::objectPath()
{
    // The path of the name, dots as slashes, as desktop programs lay it out.
    return QLatin1Char('/') + serviceName().replace(QLatin1Char('.'), QLatin1Char('/'));
}

QString SingleInstance::startupToken()
{
    const QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : wayland;
}

SingleInstance::Role SingleInstance::start(const QStringList& files, bool pick,
                                           const QString& token, const QString& search)
{
    // Without a session bus address the library would try to start a bus
    // of its own; a session without one runs every start on its own.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return Role::Alone;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Role::Alone;
    // The object is there before the name, so that a start that finds the
    // name finds the object behind it.
    m_registered = bus.registerObject(objectPath(), this, QDBusConnection::ExportScriptableSlots);
    if (!m_registered)
        return Role::Alone;

    for (int attempt = 0; attempt < Attempts; ++attempt) {
        // Not queued: of two starts at the same moment exactly one gets the
        // name, and the other hands its command line over.
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> claimed =
            bus.interface()->registerService(serviceName(),
                                             QDBusConnectionInterface::DontQueueService,
                                             QDBusConnectionInterface::DontAllowReplacement);
        if (!claimed.isValid())
            break;
        if (claimed.value() == QDBusConnectionInterface::ServiceRegistered) {
            m_holdsName = true;
            return Role::First;
        }
        QList<QDBusMessage> calls;
        for (const Call& planned : handOverCalls(files, pick, search)) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                serviceName(), objectPath(), QLatin1String(InterfaceName),
                planned.search ? QStringLiteral("Search") : QStringLiteral("HandOver"));
            // Never a bus-activated copy of the program: only a running one.
            call.setAutoStartService(false);
            if (planned.search)
                call << planned.terms << token;
            else
                call << planned.files << planned.pick << token;
            calls << call;
        }
        const QDBusMessage reply = bus.call(calls.first(), QDBus::Block, HandoverTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            for (qsizetype i = 1; i < calls.size(); ++i)
                bus.call(calls.at(i), QDBus::Block, HandoverTimeoutMs);
            release();
            return Role::HandedOver;
        }
        // The holder ended meanwhile: the name is free again. Anything else
        // (no answer in time, a holder without the object) is not retried.
        if (reply.errorName() != QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") &&
            reply.errorName() != QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
            break;
    }
    release();
    return Role::Alone;
}

QList<SingleInstance::Call> SingleInstance::handOverCalls(const QStringList& files, bool pick,
                                                          const QString& search)
{
    QList<Call> calls;
    // A search alone is one Search call; anything else is at least one HandOver.
    if (files.isEmpty() && !pick && !search.isEmpty())
        return {Call{true, {}, false, search}};
    QStringList travelling;
    travelling.reserve(files.size());
    for (const QString& file : files)
        travelling << busPath(file);
    for (qsizetype first = 0; first < files.size() || calls.isEmpty(); first += MaxFilesPerCall) {
        const bool last = first + MaxFilesPerCall >= files.size();
        calls << Call{false, travelling.mid(first, MaxFilesPerCall), pick && last, {}};
    }
    if (!search.isEmpty())
        calls << Call{true, {}, false, search};
    return calls;
}

void SingleInstance::release()
{
    if (!m_registered && !m_holdsName)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_holdsName && bus.interface())
        bus.interface()->unregisterService(serviceName());
    if (m_registered)
        bus.unregisterObject(objectPath());
    m_holdsName = false;
    m_registered = false;
}

bool SingleInstance::withinLimits(const QStringList& texts, qsizetype count)
{
    const bool within = count <= MaxFilesPerCall &&
                        std::all_of(texts.cbegin(), texts.cend(),
                                    [](const QString& t) { return t.size() <= MaxTextLength; });
    if (!within && calledFromDBus())
        sendErrorReply(QDBusError::LimitsExceeded,
                       QStringLiteral("At most %1 files of %2 characters in one call")
                           .arg(MaxFilesPerCall)
                           .arg(MaxTextLength));
    return within;
}

void SingleInstance::Search(const QString& terms, const QString& token)
{
    if (!withinLimits({terms, token}, 0))
        return;
    QMetaObject::invokeMethod(
        this, [this, terms, token] { Q_EMIT searchReceived(terms, token); }, Qt::QueuedConnection);
}

void SingleInstance::HandOver(const QStringList& files, bool pick, const QString& token)
{
    // The count first: a huge array is refused without a copy.
    if (!withinLimits(files.size() <= MaxFilesPerCall ? files + QStringList{token} : QStringList(),
                      files.size()))
        return;
    // Announced from the event loop, after the answer has gone: the later
    // start ends at once, whatever the program does with the command line
    // (a question to the user would otherwise keep it waiting past its
    // timeout, and it would open a second window).
    QStringList names;
    names.reserve(files.size());
    for (const QString& file : files)
        names << pathFromBus(file);
    QMetaObject::invokeMethod(
        this, [this, names, pick, token] { Q_EMIT commandLineReceived(names, pick, token); },
        Qt::QueuedConnection);
}

namespace {
constexpr QLatin1StringView BusPathScheme("file://");
}

QString SingleInstance::busPath(const QString& path)
{
    const QByteArray bytes = NativePath::encode(path);
    if (QString::fromUtf8(bytes).toUtf8() == bytes && !path.startsWith(BusPathScheme))
        return path;
    return BusPathScheme + QString::fromLatin1(bytes.toPercentEncoding("/"));
}

QString SingleInstance::pathFromBus(const QString& travelled)
{
    if (!travelled.startsWith(BusPathScheme))
        return travelled;
    return NativePath::decode(
        QByteArray::fromPercentEncoding(travelled.mid(BusPathScheme.size()).toLatin1()));
}
