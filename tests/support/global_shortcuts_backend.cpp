// A global-shortcuts back end for the desktop portal's front end
// (org.freedesktop.impl.portal.GlobalShortcuts on the session bus), for
// tests: it binds every shortcut it is asked for, unless the file
// RECORD.refuse exists (then the user said no), and writes what it is asked
// to RECORD, a line each: "create", "bind pick LOGO+semicolon Pick an Entry"
// (id, preferred trigger, description), "bind refused", "close".
//
// The test presses a bound key by calling Press(id) on the object /zunotest
// (interface org.zunotest.Keys) of the back end's bus name: each session that
// bound id hears Activated.
//
//   global_shortcuts_backend RECORD
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QFile>
#include <QMultiHash>
#include <QObject>
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

struct Shortcut
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(Shortcut)

QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// The ids each open session bound.
QMultiHash<QString, QString> bound;

class SessionObject : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.Session")

public Q_SLOTS:
    void Close()
    {
        record(u"close"_s);
        bound.remove(objectName());
        QDBusConnection::sessionBus().unregisterObject(objectName());
        deleteLater();
    }
};

class GlobalShortcutsBackend : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)

public:
    uint version() const { return 1; }

public Q_SLOTS:
    uint CreateSession(const QDBusObjectPath&, const QDBusObjectPath& session, const QString&,
                       const QVariantMap&, QVariantMap& results)
    {
        record(u"create"_s);
        auto* object = new SessionObject;
        object->setObjectName(session.path());
        QDBusConnection::sessionBus().registerObject(session.path(), object,
                                                     QDBusConnection::ExportAllSlots);
        // The shortcuts the desktop already has for the program: the 1.16
        // front end passes them on and trips over a session without them.
        results.clear();
        results.insert(u"shortcuts"_s, QVariant::fromValue(QList<Shortcut>()));
        return 0;
    }

    uint BindShortcuts(const QDBusObjectPath&, const QDBusObjectPath& session,
                       const QList<Shortcut>& shortcuts, const QString&, const QVariantMap&,
                       QVariantMap& results)
    {
        results.clear();
        for (const Shortcut& shortcut : shortcuts)
            record(u"bind %1 %2 %3"_s.arg(
                shortcut.id, shortcut.properties.value(u"preferred_trigger"_s).toString(),
                shortcut.properties.value(u"description"_s).toString()));
        if (QFile::exists(recordPath + u".refuse"_s)) {
            record(u"bind refused"_s);
            return 1;
        }
        QList<Shortcut> kept;
        for (const Shortcut& shortcut : shortcuts) {
            bound.insert(session.path(), shortcut.id);
            kept.append(
                {shortcut.id,
                 {{u"description"_s, shortcut.properties.value(u"description"_s)},
                  {u"trigger_description"_s, shortcut.properties.value(u"preferred_trigger"_s)}}});
        }
        results.insert(u"shortcuts"_s, QVariant::fromValue(kept));
        return 0;
    }
};

// The test's finger on the keyboard.
class Keys : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.zunotest.Keys")

public Q_SLOTS:
    void Press(const QString& id)
    {
        for (auto it = bound.cbegin(); it != bound.cend(); ++it) {
            if (it.value() != id)
                continue;
            QDBusMessage signal = QDBusMessage::createSignal(
                u"/org/freedesktop/portal/desktop"_s,
                u"org.freedesktop.impl.portal.GlobalShortcuts"_s, u"Activated"_s);
            signal << QVariant::fromValue(QDBusObjectPath(it.key())) << id << qulonglong(1)
                   << QVariantMap();
            QDBusConnection::sessionBus().send(signal);
        }
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: global_shortcuts_backend RECORD\n", stderr);
        return 2;
    }
    recordPath = QString::fromLocal8Bit(argv[1]);
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    GlobalShortcutsBackend backend;
    Keys keys;
    if (!bus.registerObject(u"/org/freedesktop/portal/desktop"_s, &backend,
                            QDBusConnection::ExportAllSlots |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerObject(u"/zunotest"_s, &keys, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(u"org.freedesktop.impl.portal.desktop.zunotest"_s)) {
        std::fputs("the back end could not take its name on the session bus\n", stderr);
        return 1;
    }
    return app.exec();
}

#include "global_shortcuts_backend.moc"
