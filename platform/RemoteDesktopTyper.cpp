#include "RemoteDesktopTyper.h"

#include "AtomicFileWriter.h"
#include "PortalRequest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString remoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");

constexpr uint keyboardDevice = 1;
// Kept until the user takes the permission back.
constexpr uint persistentPermission = 2;
// The portal's own calls answer at once; starting may wait on the user.
constexpr int handshakeMilliseconds = 5000;
constexpr int questionMilliseconds = 60000;

struct SessionState
{
    QString handle;
    bool refused = false;
};

SessionState& state()
{
    static SessionState session;
    return session;
}

// A property of the portal's remote-desktop interface, or nothing where the
// portal or the interface is missing.
QVariant portalProperty(const QDBusConnection& bus, const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({remoteDesktop, name});
    const QDBusMessage reply = bus.call(get, QDBus::Block, handshakeMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

QString savedRestoreToken()
{
    QFile file(RemoteDesktopTyper::restoreTokenPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(1024)).trimmed();
}

// A token serves once: each start answers the one for the next.
void saveRestoreToken(const QString& token)
{
    const QString path = RemoteDesktopTyper::restoreTokenPath();
    if (token.isEmpty())
        QFile::remove(path);
    else
        AtomicFileWriter::write(path, token.toUtf8());
}

} // namespace

QString RemoteDesktopTyper::restoreTokenPath()
{
    QString folder = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(folder))
        folder = QDir::homePath() + QLatin1String("/.local/state");
    return folder + QLatin1String("/ZunoSmileys/remote-desktop-token");
}

KeystrokeTyper::Outcome RemoteDesktopTyper::open()
{
    using Outcome = KeystrokeTyper::Outcome;
    SessionState& session = state();
    if (session.refused)
        return Outcome::NotOffered;
    if (!session.handle.isEmpty())
        return Outcome::Typed;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Outcome::NotOffered;
    const QVariant devices = portalProperty(bus, QStringLiteral("AvailableDeviceTypes"));
    if (!devices.isValid() || (devices.toUInt() & keyboardDevice) == 0)
        return Outcome::NotOffered;
    const uint version = portalProperty(bus, QStringLiteral("version")).toUInt();

    // Each session has a path of its own, in case the portal still winds up an earlier one.
    static int sessions = 0;
    const QString sessionToken = QStringLiteral("zuno%1").arg(++sessions);
    PortalRequest create(bus);
    if (create.call(remoteDesktop, QStringLiteral("CreateSession"),
                    {QVariantMap{{QStringLiteral("session_handle_token"), sessionToken}}},
                    handshakeMilliseconds) != PortalRequest::Answer::Granted)
        return Outcome::NotOffered;
    const QString handle = create.results().value(QStringLiteral("session_handle")).toString();
    if (handle.isEmpty())
        return Outcome::NotOffered;
    session.handle = handle;
    const QDBusObjectPath sessionPath(handle);

    QVariantMap selection{{QStringLiteral("types"), keyboardDevice}};
    // Keeping the permission came with the interface's second version.
    if (version >= 2) {
        selection.insert(QStringLiteral("persist_mode"), persistentPermission);
        if (const QString token = savedRestoreToken(); !token.isEmpty())
            selection.insert(QStringLiteral("restore_token"), token);
    }
    PortalRequest select(bus);
    if (select.call(remoteDesktop, QStringLiteral("SelectDevices"),
                    {QVariant::fromValue(sessionPath), selection},
                    handshakeMilliseconds) != PortalRequest::Answer::Granted) {
        close();
        return Outcome::NotOffered;
    }

    PortalRequest start(bus);
    const PortalRequest::Answer answer = start.call(
        remoteDesktop, QStringLiteral("Start"),
        {QVariant::fromValue(sessionPath), QString(), QVariantMap()}, questionMilliseconds);
    if (answer != PortalRequest::Answer::Granted ||
        (start.results().value(QStringLiteral("devices")).toUInt() & keyboardDevice) == 0) {
        session.refused = answer == PortalRequest::Answer::Refused;
        close();
        return Outcome::NotOffered;
    }
    if (version >= 2)
        saveRestoreToken(start.results().value(QStringLiteral("restore_token")).toString());
    return Outcome::Typed;
}

KeystrokeTyper::Outcome RemoteDesktopTyper::type(const QList<quint32>& keysyms)
{
    using Outcome = KeystrokeTyper::Outcome;
    // Nothing to type is no reason to ask the user.
    if (keysyms.isEmpty()) {
        close();
        return Outcome::Typed;
    }
    if (const Outcome ready = open(); ready != Outcome::Typed)
        return ready;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusObjectPath sessionPath(state().handle);
    bool typedSome = false;
    Outcome outcome = Outcome::Typed;
    for (const quint32 keysym : keysyms) {
        for (const uint pressed : {1u, 0u}) {
            QDBusMessage notify = QDBusMessage::createMethodCall(
                portalService, portalPath, remoteDesktop, QStringLiteral("NotifyKeyboardKeysym"));
            notify.setArguments({QVariant::fromValue(sessionPath), QVariantMap(),
                                 static_cast<int>(keysym), pressed});
            if (bus.call(notify, QDBus::Block, handshakeMilliseconds).type() !=
                QDBusMessage::ReplyMessage) {
                outcome = typedSome ? Outcome::Failed : Outcome::NotOffered;
                break;
            }
            typedSome = true;
        }
        if (outcome != Outcome::Typed)
            break;
    }
    close();
    return outcome;
}

void RemoteDesktopTyper::close()
{
    SessionState& session = state();
    if (session.handle.isEmpty())
        return;
    QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(portalService, session.handle,
                                       QStringLiteral("org.freedesktop.portal.Session"),
                                       QStringLiteral("Close")),
        QDBus::Block, handshakeMilliseconds);
    session.handle.clear();
}
