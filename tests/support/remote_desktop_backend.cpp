// A remote-desktop back end for the desktop portal's front end
// (org.freedesktop.impl.portal.RemoteDesktop on the session bus), for tests:
// it grants every session its keyboard without a question when the session
// restores an earlier permission, asks otherwise (the answer is yes, unless
// the file RECORD.refuse exists), and writes what it is asked to RECORD, a
// line each: "select types=1 persist=2 restore=no", "start asked", "start
// restored", "start refused", "key 0x3b 1" (keysym, pressed), "close".
//
// With --front-end it stands in for the portal's front end itself
// (org.freedesktop.portal.RemoteDesktop), at the interface's second version,
// which keeps a permission: what a newer front end than the one installed
// does. It answers a restore token at each start and restores the session
// that gives the last one back, and refuses a token that is no UUID. While the file RECORD.hold
// exists, its start leaves the question unanswered, as a user who has not decided yet.
//
//   remote_desktop_backend RECORD [--front-end]
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUuid>
#include <QVariantMap>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString recordPath;

void record(const QString& line)
{
    QFile file(recordPath);
    if (file.open(QIODevice::Append))
        file.write(line.toUtf8() + '\n');
}

} // namespace

// What the front end keeps for a session that is to be restored, and gives
// back at the next one in place of the token it answered the program.
struct RestoreData
{
    QString vendor;
    uint version = 1;
    QDBusVariant data;
};
Q_DECLARE_METATYPE(RestoreData)

QDBusArgument& operator<<(QDBusArgument& argument, const RestoreData& restore)
{
    argument.beginStructure();
    argument << restore.vendor << restore.version << restore.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RestoreData& restore)
{
    argument.beginStructure();
    argument >> restore.vendor >> restore.version >> restore.data;
    argument.endStructure();
    return argument;
}

class SessionObject : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.Session")

public Q_SLOTS:
    void Close()
    {
        record(QStringLiteral("close"));
        QDBusConnection::sessionBus().unregisterObject(objectName());
        deleteLater();
    }
};

// The same session as the front end shows it to the program.
class FrontEndSessionObject : public SessionObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")

public Q_SLOTS:
    void Close() { SessionObject::Close(); }
};

class RemoteDesktopBackend : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.RemoteDesktop")
    Q_PROPERTY(uint AvailableDeviceTypes READ availableDeviceTypes)
    Q_PROPERTY(uint version READ version)

public:
    uint availableDeviceTypes() const { return 1 | 2; }
    uint version() const { return 2; }

public Q_SLOTS:
    uint CreateSession(const QDBusObjectPath&, const QDBusObjectPath& session, const QString&,
                       const QVariantMap&, QVariantMap& results)
    {
        auto* object = new SessionObject;
        object->setObjectName(session.path());
        QDBusConnection::sessionBus().registerObject(session.path(), object,
                                                     QDBusConnection::ExportAllSlots);
        results.clear();
        return 0;
    }

    uint SelectDevices(const QDBusObjectPath&, const QDBusObjectPath& session, const QString&,
                       const QVariantMap& options, QVariantMap& results)
    {
        const bool restore = options.contains(QStringLiteral("restore_data"));
        if (restore)
            m_restored.insert(session.path());
        record(QStringLiteral("select types=%1 persist=%2 restore=%3")
                   .arg(options.value(QStringLiteral("types")).toUInt())
                   .arg(options.value(QStringLiteral("persist_mode")).toUInt())
                   .arg(restore ? QStringLiteral("yes") : QStringLiteral("no")));
        m_persist = options.value(QStringLiteral("persist_mode")).toUInt();
        results.clear();
        return 0;
    }

    uint Start(const QDBusObjectPath&, const QDBusObjectPath& session, const QString&,
               const QString&, const QVariantMap&, QVariantMap& results)
    {
        results.clear();
        if (!m_restored.contains(session.path())) {
            if (QFile::exists(recordPath + QLatin1String(".refuse"))) {
                record(QStringLiteral("start refused"));
                return 1;
            }
            record(QStringLiteral("start asked"));
        } else
            record(QStringLiteral("start restored"));
        results.insert(QStringLiteral("devices"), 1u);
        if (m_persist != 0) {
            results.insert(QStringLiteral("persist_mode"), m_persist);
            RestoreData data{QStringLiteral("zunotest"), 1,
                             QDBusVariant(QStringLiteral("keyboard"))};
            results.insert(QStringLiteral("restore_data"), QVariant::fromValue(data));
        }
        return 0;
    }

    void NotifyKeyboardKeysym(const QDBusObjectPath&, const QVariantMap&, int keysym, uint state)
    {
        record(QStringLiteral("key 0x%1 %2").arg(keysym, 0, 16).arg(state));
    }

private:
    QSet<QString> m_restored;
    uint m_persist = 0;
};

class StandInFrontEnd : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint AvailableDeviceTypes READ availableDeviceTypes)
    Q_PROPERTY(uint version READ version)

public:
    uint availableDeviceTypes() const { return 1 | 2; }
    uint version() const { return 2; }

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options)
    {
        const QString session =
            objectPath(u"session"_s, options.value(u"session_handle_token"_s).toString());
        auto* object = new FrontEndSessionObject;
        object->setObjectName(session);
        QDBusConnection::sessionBus().registerObject(session, object,
                                                     QDBusConnection::ExportAllSlots);
        return respond(options, 0, {{u"session_handle"_s, session}});
    }

    QDBusObjectPath SelectDevices(const QDBusObjectPath&, const QVariantMap& options)
    {
        const QString token = options.value(u"restore_token"_s).toString();
        // The real front end answers a token of another form as an invalid argument.
        if (!token.isEmpty() && QUuid::fromString(token).isNull()) {
            sendErrorReply(QDBusError::InvalidArgs, u"the restore token is no UUID"_s);
            return {};
        }
        m_restoring = !token.isEmpty() && token == m_issued;
        m_persist = options.value(u"persist_mode"_s).toUInt();
        record(u"select types=%1 persist=%2 restore=%3"_s.arg(options.value(u"types"_s).toUInt())
                   .arg(m_persist)
                   .arg(m_restoring ? u"yes"_s : u"no"_s));
        return respond(options, 0, {});
    }

    QDBusObjectPath Start(const QDBusObjectPath&, const QString&, const QVariantMap& options)
    {
        if (QFile::exists(recordPath + u".hold"_s)) {
            record(u"start held"_s);
            return QDBusObjectPath(
                objectPath(u"request"_s, options.value(u"handle_token"_s).toString()));
        }
        record(m_restoring ? u"start restored"_s : u"start asked"_s);
        QVariantMap results{{u"devices"_s, 1u}};
        // A token serves once.
        m_issued.clear();
        if (m_persist != 0) {
            m_issued = QUuid::createUuid().toString(QUuid::WithoutBraces);
            results.insert(u"restore_token"_s, m_issued);
        }
        return respond(options, 0, results);
    }

    void NotifyKeyboardKeysym(const QDBusObjectPath&, const QVariantMap&, int keysym, uint state)
    {
        record(QStringLiteral("key 0x%1 %2").arg(keysym, 0, 16).arg(state));
    }

private:
    QString objectPath(const QString& kind, const QString& token) const
    {
        QString sender = message().service().mid(1);
        sender.replace(u'.', u'_');
        return u"/org/freedesktop/portal/desktop/%1/%2/%3"_s.arg(kind, sender, token);
    }

    // The request's path at once, its answer once the caller has that.
    QDBusObjectPath respond(const QVariantMap& options, uint response, const QVariantMap& results)
    {
        const QString request =
            objectPath(u"request"_s, options.value(u"handle_token"_s).toString());
        const QString caller = message().service();
        QTimer::singleShot(0, this, [=] {
            QDBusMessage signal = QDBusMessage::createTargetedSignal(
                caller, request, u"org.freedesktop.portal.Request"_s, u"Response"_s);
            signal << response << results;
            QDBusConnection::sessionBus().send(signal);
        });
        return QDBusObjectPath(request);
    }

    QString m_issued;
    bool m_restoring = false;
    uint m_persist = 0;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool frontEnd = argc == 3 && QByteArray(argv[2]) == "--front-end";
    if (argc != 2 && !frontEnd) {
        std::fputs("usage: remote_desktop_backend RECORD [--front-end]\n", stderr);
        return 2;
    }
    recordPath = QString::fromLocal8Bit(argv[1]);
    qDBusRegisterMetaType<RestoreData>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    RemoteDesktopBackend backend;
    StandInFrontEnd standIn;
    QObject* object = frontEnd ? static_cast<QObject*>(&standIn) : &backend;
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), object,
                            QDBusConnection::ExportAllSlots |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(frontEnd ? u"org.freedesktop.portal.Desktop"_s
                                      : u"org.freedesktop.impl.portal.desktop.zunotest"_s)) {
        std::fputs("the back end could not take its name on the session bus\n", stderr);
        return 1;
    }
    return app.exec();
}

#include "remote_desktop_backend.moc"
