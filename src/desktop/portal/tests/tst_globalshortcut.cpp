// The key bound through the desktop portal's global shortcuts: the real
// portal front end on a private bus, with a back end of the tests' own
// (global_shortcuts_backend) that records what it is asked and presses keys.
#include "PrivateBus.h"
#include "desktop/portal/GlobalShortcut.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Earlier = GlobalShortcut::Earlier;

class tst_GlobalShortcut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFile::exists(QStringLiteral(PORTAL_FRONT_END)))
            QSKIP("the desktop portal (xdg-desktop-portal) is not installed");
    }

    void bindsThePickUnlessDeclined_data()
    {
        QTest::addColumn<bool>("backEnd"); // the front end has a global-shortcuts back end
        QTest::addColumn<bool>("refuse");  // the user says no
        QTest::addColumn<Earlier>("earlier");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<Earlier>("remembered");
        QTest::addColumn<bool>("hears");
        const QStringList bind{"create", "bind pick LOGO+ALT+semicolon Pick an Entry to Insert"};
        QTest::newRow("first start")
            << true << false << Earlier::NotAsked << bind << Earlier::Kept << true;
        QTest::newRow("kept before")
            << true << false << Earlier::Kept << bind << Earlier::Kept << true;
        QTest::newRow("the user declines")
            << true << true << Earlier::NotAsked << bind + QStringList{"bind refused", "close"}
            << Earlier::Declined << false;
        QTest::newRow("declined before")
            << true << false << Earlier::Declined << QStringList() << Earlier::Declined << false;
        QTest::newRow("no back end")
            << false << false << Earlier::NotAsked << QStringList() << Earlier::NotAsked << false;
    }

    void bindsThePickUnlessDeclined()
    {
        QFETCH(bool, backEnd);
        QFETCH(bool, refuse);
        QFETCH(Earlier, earlier);
        QFETCH(QStringList, asked);
        QFETCH(Earlier, remembered);
        QFETCH(bool, hears);
        QTemporaryDir dir;
        PrivateBus bus;
        QVERIFY(startPortal(dir, bus, backEnd));
        const QString record = dir.filePath("record");
        if (refuse)
            QVERIFY(QFile(record + ".refuse").open(QIODevice::WriteOnly));
        const auto stop = qScopeGuard([this] {
            QDBusConnection::disconnectFromBus("client");
            for (QProcess* process : {&m_backend, &m_frontEnd}) {
                process->terminate();
                process->waitForFinished();
            }
        });

        const QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "client");
        {
            GlobalShortcut shortcut(client, "pick", "Pick an Entry to Insert",
                                    "LOGO+ALT+semicolon");
            // The installed front end knows no registration and goes on without.
            shortcut.setApplicationId("example.orvak.ZunoSmiley");
            QSignalSpy settled(&shortcut, &GlobalShortcut::settled);
            QSignalSpy activated(&shortcut, &GlobalShortcut::activated);
            shortcut.bind(earlier);
            QTRY_COMPARE_WITH_TIMEOUT(settled.size(), 1, 20000);
            QCOMPARE(settled.at(0).at(0).value<Earlier>(), remembered);
            QTRY_COMPARE(recorded(record), asked);
            QCOMPARE(shortcut.sessionHandle().isEmpty(), !hears);
            if (hears) {
                QDBusMessage press =
                    QDBusMessage::createMethodCall("org.freedesktop.impl.portal.desktop.zunotest",
                                                   "/zunotest", "org.zunotest.Keys", "Press");
                press << QString("pick");
                QCOMPARE(client.call(press).type(), QDBusMessage::ReplyMessage);
                QTRY_COMPARE(activated.size(), 1);
            }
        }
        // The session ends with the shortcut.
        if (hears)
            QTRY_COMPARE(recorded(record).last(), QString("close"));
    }

private:
    // The front end and the recording back end on a bus of their own; the
    // front end takes the back end for global shortcuts or for nothing.
    bool startPortal(const QTemporaryDir& dir, PrivateBus& bus, bool backEnd)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!bus.start(dir.path(), env) || !QDir().mkpath(dir.filePath("portals")))
            return false;
        const QByteArray interfaces = backEnd ? "org.freedesktop.impl.portal.GlobalShortcuts;"
                                              : "org.freedesktop.impl.portal.Inhibit;";
        // UseIn for the installed 1.16, the configuration beside it for 1.18
        // and later (which read it from the portals' folder the test gives).
        if (!write(dir.filePath("portals/zunotest.portal"),
                   "[portal]\nDBusName=org.freedesktop.impl.portal.desktop.zunotest\n"
                   "Interfaces=" +
                       interfaces + "\nUseIn=zunotest\n") ||
            !write(dir.filePath("portals/zunotest-portals.conf"),
                   "[preferred]\ndefault=zunotest\n"))
            return false;
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        env.insert("XDG_DESKTOP_PORTAL_DIR", dir.filePath("portals"));
        env.insert("XDG_CURRENT_DESKTOP", "zunotest");
        // A front end that trips over what it is given fails the test.
        env.insert("G_DEBUG", "fatal-criticals");
        for (QProcess* process : {&m_backend, &m_frontEnd}) {
            process->setProcessEnvironment(env);
            process->setProcessChannelMode(QProcess::ForwardedChannels);
        }
        m_backend.start(GLOBAL_SHORTCUTS_BACKEND, {dir.filePath("record")});
        m_frontEnd.start(PORTAL_FRONT_END, {"--replace"});
        QDBusConnection watch = QDBusConnection::connectToBus(bus.address(), "watch");
        const auto gone = qScopeGuard([] { QDBusConnection::disconnectFromBus("watch"); });
        for (const char* name :
             {"org.freedesktop.impl.portal.desktop.zunotest", "org.freedesktop.portal.Desktop"})
            if (!QTest::qWaitFor([&] { return watch.interface()->isServiceRegistered(name); },
                                 20000))
                return false;
        return true;
    }

    static bool write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    static QStringList recorded(const QString& record)
    {
        QFile file(record);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QProcess m_backend;
    QProcess m_frontEnd;
};

QTEST_GUILESS_MAIN(tst_GlobalShortcut)
#include "tst_globalshortcut.moc"
