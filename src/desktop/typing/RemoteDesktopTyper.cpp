#include "desktop/typing/RemoteDesktopTyper.h"

#include "base/AtomicFileWriter.h"
#include "base/RegularFile.h"
#include "desktop/portal/PortalRequest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QPointer>

#include <utility>

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

using Outcome = KeystrokeTyper::Outcome;
using Ready = std::function<void(Outcome)>;

class SessionOpening;

struct SessionState
{
    QString handle;
    bool refused = false;
    // The handshake under way, if one is.
    QPointer<SessionOpening> opening;
};

SessionState& state()
{
    static SessionState session;
    return session;
}

// Calls ready from the event loop, unless context is gone by then.
void answerLater(QObject* context, const Ready& ready, Outcome outcome)
{
    QMetaObject::invokeMethod(
        context, [ready, outcome] { ready(outcome); }, Qt::QueuedConnection);
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

// A token is short; a larger file is none of the portal's.
constexpr qint64 MaxTokenSize = 1024;

// Read as the list files are: a regular file only, never blocking (a named
// pipe there would hold the handshake in its open), bounded in size.
QString savedRestoreToken()
{
    QFile file;
    if (RegularFile::openForReading(file, RemoteDesktopTyper::restoreTokenPath()) !=
        RegularFile::Kind::Regular)
        return {};
    const QByteArray bytes = file.read(MaxTokenSize + 1);
    return bytes.size() > MaxTokenSize ? QString() : QString::fromUtf8(bytes).trimmed();
}

// A token serves once: each start answers the one for the next.
void saveRestoreToken(const QString& token)
{
    const QString path = RemoteDesktopTyper::restoreTokenPath();
    if (token.isEmpty()) {
        QFile::remove(path);
        return;
    }
    // The token lets whoever holds it type into the session: the user's alone,
    // also where a file left there by something else was open to others.
    if (AtomicFileWriter::write(path, token.toUtf8(), MaxTokenSize, AtomicFileWriter::PrivateFile))
        QFile::setPermissions(path, AtomicFileWriter::PrivateFile);
}

// The handshake that makes a session ready: CreateSession, then
// SelectDevices with the kept permission, then Start, which may ask the
// user. Each step goes on when the portal answers the one before; the end
// answers every caller waiting and deletes the object.
class SessionOpening : public QObject
{
public:
    SessionOpening(const QDBusConnection& bus, uint version)
        : m_bus(bus)
        , m_version(version)
    {}

    void wait(QObject* context, Ready ready) { m_waiting.append({context, std::move(ready)}); }

    void begin()
    {
        // Each session has a path of its own, in case the portal still winds up an earlier one.
        static int sessions = 0;
        const QString sessionToken = QStringLiteral("zuno%1").arg(++sessions);
        ask(QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("session_handle_token"), sessionToken}}},
            handshakeMilliseconds,
            [this](PortalRequest::Answer answer, const QVariantMap& results) {
                const QString handle = results.value(QStringLiteral("session_handle")).toString();
                if (answer != PortalRequest::Answer::Granted || handle.isEmpty())
                    return end(Outcome::NotOffered);
                state().handle = handle;
                selectKeyboard();
            });
    }

    // close() was called: the session, if any, is ended and nothing types.
    void abandon() { end(Outcome::NotOffered); }

private:
    using Step = std::function<void(PortalRequest::Answer, const QVariantMap&)>;

    void ask(const QString& method, const QVariantList& arguments, int milliseconds, Step next)
    {
        auto* request = new PortalRequest(m_bus, this);
        connect(request, &PortalRequest::answered, this,
                [this, request, next = std::move(next)](PortalRequest::Answer answer) {
                    request->deleteLater();
                    if (!m_ended)
                        next(answer, request->results());
                });
        request->send(remoteDesktop, method, arguments, milliseconds);
    }

    void selectKeyboard(bool withToken = true)
    {
        QVariantMap selection{{QStringLiteral("types"), keyboardDevice}};
        // Keeping the permission came with the interface's second version.
        if (m_version >= 2) {
            selection.insert(QStringLiteral("persist_mode"), persistentPermission);
            if (const QString token = withToken ? savedRestoreToken() : QString(); !token.isEmpty())
                selection.insert(QStringLiteral("restore_token"), token);
        }
        m_gaveToken = selection.contains(QStringLiteral("restore_token"));
        ask(QStringLiteral("SelectDevices"), {sessionPath(), selection}, handshakeMilliseconds,
            [this](PortalRequest::Answer answer, const QVariantMap&) {
                // A token the front end takes for none (it checks the form)
                // would fail every pick: it goes, and the selection is made
                // once more without it.
                if (answer == PortalRequest::Answer::Failed && m_gaveToken) {
                    saveRestoreToken(QString());
                    return selectKeyboard(false);
                }
                if (answer != PortalRequest::Answer::Granted)
                    return end(Outcome::NotOffered);
                start();
            });
    }

    void start()
    {
        ask(QStringLiteral("Start"), {sessionPath(), QString(), QVariantMap()},
            questionMilliseconds, [this](PortalRequest::Answer answer, const QVariantMap& results) {
                if (answer != PortalRequest::Answer::Granted ||
                    (results.value(QStringLiteral("devices")).toUInt() & keyboardDevice) == 0) {
                    state().refused = answer == PortalRequest::Answer::Refused;
                    // The question came although a token was given: it
                    // restores nothing, and a refusal keeps nothing.
                    if (state().refused && m_gaveToken)
                        saveRestoreToken(QString());
                    return end(Outcome::NotOffered);
                }
                if (m_version >= 2)
                    saveRestoreToken(results.value(QStringLiteral("restore_token")).toString());
                end(Outcome::Typed);
            });
    }

    QVariant sessionPath() const { return QVariant::fromValue(QDBusObjectPath(state().handle)); }

    void end(Outcome outcome)
    {
        if (m_ended)
            return;
        m_ended = true;
        state().opening.clear();
        if (outcome != Outcome::Typed)
            RemoteDesktopTyper::close();
        // Queued also here: close() may end the opening from inside a caller.
        for (const auto& [context, ready] : std::as_const(m_waiting))
            if (context)
                answerLater(context, ready, outcome);
        deleteLater();
    }

    QDBusConnection m_bus;
    uint m_version = 0;
    bool m_gaveToken = false;
    bool m_ended = false;
    QList<std::pair<QPointer<QObject>, Ready>> m_waiting;
};

} // namespace

QString RemoteDesktopTyper::restoreTokenPath()
{
    QString folder = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(folder))
        folder = QDir::homePath() + QLatin1String("/.local/state");
    return folder + QLatin1String("/ZunoSmileys/remote-desktop-token");
}

void RemoteDesktopTyper::open(QObject* context, std::function<void(Outcome)> ready)
{
    SessionState& session = state();
    if (session.opening) {
        session.opening->wait(context, std::move(ready));
        return;
    }
    if (session.refused)
        return answerLater(context, ready, Outcome::NotOffered);
    if (!session.handle.isEmpty())
        return answerLater(context, ready, Outcome::Typed);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return answerLater(context, ready, Outcome::NotOffered);
    // Properties the front end answers at once, without asking anyone.
    const QVariant devices = portalProperty(bus, QStringLiteral("AvailableDeviceTypes"));
    if (!devices.isValid() || (devices.toUInt() & keyboardDevice) == 0)
        return answerLater(context, ready, Outcome::NotOffered);
    const uint version = portalProperty(bus, QStringLiteral("version")).toUInt();
    auto* opening = new SessionOpening(bus, version);
    session.opening = opening;
    opening->wait(context, std::move(ready));
    opening->begin();
}

KeystrokeTyper::Outcome RemoteDesktopTyper::type(const QList<quint32>& keysyms)
{
    // Nothing to type is no reason to ask the user.
    if (keysyms.isEmpty()) {
        close();
        return Outcome::Typed;
    }
    if (state().handle.isEmpty() || state().opening)
        return Outcome::NotOffered;
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
    if (session.opening)
        session.opening->abandon(); // comes back here once the opening is cleared
    if (session.handle.isEmpty())
        return;
    QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(portalService, session.handle,
                                       QStringLiteral("org.freedesktop.portal.Session"),
                                       QStringLiteral("Close")),
        QDBus::Block, handshakeMilliseconds);
    session.handle.clear();
}
