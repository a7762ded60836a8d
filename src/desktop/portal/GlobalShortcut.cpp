#include "desktop/portal/GlobalShortcut.h"

#include "desktop/portal/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString globalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The portal's own calls answer at once; the bind may show the desktop's
// dialog, which the user takes a while over at the first start.
constexpr int callMilliseconds = 5000;
constexpr int bindMilliseconds = 180000;

// One shortcut as the portal takes it, (sa{sv}).
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// The session's handle: an object path, or its text where the portal
// answers a string (xdg-desktop-portal 1.16 does).
QDBusObjectPath sessionOf(const QVariant& handle)
{
    if (handle.canConvert<QDBusObjectPath>())
        return handle.value<QDBusObjectPath>();
    const QString path = handle.toString();
    return path.startsWith(portalPath) ? QDBusObjectPath(path) : QDBusObjectPath();
}

} // namespace

GlobalShortcut::GlobalShortcut(const QDBusConnection& bus, const QString& id,
                               const QString& description, const QString& preferredTrigger,
                               QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_id(id)
    , m_description(description)
    , m_preferredTrigger(preferredTrigger)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

GlobalShortcut::~GlobalShortcut()
{
    closeSession();
}

void GlobalShortcut::bind(Earlier earlier)
{
    m_earlier = earlier;
    if (earlier == Earlier::Declined || !m_bus.isConnected()) {
        // Settled from the event loop all the same, like every other answer.
        QMetaObject::invokeMethod(
            this, [this] { settle(m_earlier); }, Qt::QueuedConnection);
        return;
    }
    if (m_applicationId.isEmpty())
        return askVersion();
    QDBusMessage registration = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.host.portal.Registry"),
        QStringLiteral("Register"));
    registration.setArguments({m_applicationId, QVariantMap()});
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(registration, callMilliseconds), this);
    // Refused or unknown, the portal goes on as it names the caller itself.
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        askVersion();
    });
}

void GlobalShortcut::askVersion()
{
    // A front end without a back end for global shortcuts has no such
    // interface, and so no version of it.
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({globalShortcuts, QStringLiteral("version")});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get, callMilliseconds), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
            reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt() > 0)
            createSession();
        else
            settle(m_earlier);
    });
}

void GlobalShortcut::createSession()
{
    // Each object's session has a path of its own.
    static int sessions = 0;
    const QString token = QStringLiteral("zunokey%1").arg(++sessions);
    auto* request = new PortalRequest(m_bus, this);
    connect(request, &PortalRequest::answered, this, [this, request](PortalRequest::Answer answer) {
        request->deleteLater();
        m_session = sessionOf(request->results().value(QStringLiteral("session_handle")));
        if (answer == PortalRequest::Answer::Granted && !m_session.path().isEmpty())
            return bindShortcut();
        closeSession();
        settle(m_earlier);
    });
    request->send(globalShortcuts, QStringLiteral("CreateSession"),
                  {QVariantMap{{QStringLiteral("session_handle_token"), token}}}, callMilliseconds);
}

void GlobalShortcut::bindShortcut()
{
    // Listened for before the bind, so that no press slips by.
    m_bus.connect(portalService, portalPath, globalShortcuts, QStringLiteral("Activated"), this,
                  SLOT(portalActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    const QList<PortalShortcut> shortcuts{
        {m_id,
         {{QStringLiteral("description"), m_description},
          {QStringLiteral("preferred_trigger"), m_preferredTrigger}}}};
    auto* request = new PortalRequest(m_bus, this);
    connect(request, &PortalRequest::answered, this, [this, request](PortalRequest::Answer answer) {
        request->deleteLater();
        Earlier now = m_earlier;
        if (answer == PortalRequest::Answer::Granted)
            now = Earlier::Kept;
        else if (answer == PortalRequest::Answer::Refused)
            now = Earlier::Declined;
        // Nothing more to hear where the desktop bound nothing.
        if (answer != PortalRequest::Answer::Granted)
            closeSession();
        settle(now);
    });
    request->send(
        globalShortcuts, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(m_session), QVariant::fromValue(shortcuts), QString(), QVariantMap()},
        bindMilliseconds);
}

void GlobalShortcut::portalActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                     const QVariantMap& options)
{
    if (session == m_session && id == m_id)
        Q_EMIT activated(options.value(QStringLiteral("activation_token")).toString());
}

void GlobalShortcut::settle(Earlier remember)
{
    m_earlier = remember;
    Q_EMIT settled(remember);
}

void GlobalShortcut::closeSession()
{
    if (m_session.path().isEmpty())
        return;
    m_bus.disconnect(portalService, portalPath, globalShortcuts, QStringLiteral("Activated"), this,
                     SLOT(portalActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_bus.call(QDBusMessage::createMethodCall(portalService, m_session.path(),
                                              QStringLiteral("org.freedesktop.portal.Session"),
                                              QStringLiteral("Close")),
               QDBus::NoBlock);
    m_session = QDBusObjectPath();
}
