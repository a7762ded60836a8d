#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <thread>

namespace {

// This test program run as one start of the program: it says which role it
// got, and as the first one prints the first command line handed to it and
// ends (or ends after 20 s); with ZUNO_TEST_BUSY_FIRST set it takes 3 s first.
int runInstance(int argc, char* argv[])
{
    // Before the application object, as the program does.
    const QString token = SingleInstance::startupToken();
    QCoreApplication app(argc, argv);
    QStringList files = app.arguments().mid(2);
    const bool pick = files.removeAll(QStringLiteral("--pick")) > 0;
    QString search;
    if (!files.isEmpty() && files.last().startsWith(QLatin1String("--search=")))
        search = files.takeLast().mid(9);
    SingleInstance instance;
    // On a thread of its own, as the program claims the name.
    SingleInstance::Role role = SingleInstance::Role::Alone;
    std::thread claim([&] { role = instance.start(files, pick, token, search); });
    claim.join();
    const char* name = role == SingleInstance::Role::First        ? "first"
                       : role == SingleInstance::Role::HandedOver ? "handed"
                                                                  : "alone";
    std::printf("role %s\n", name);
    std::fflush(stdout);
    if (role != SingleInstance::Role::First)
        return 0;
    QObject::connect(&instance, &SingleInstance::commandLineReceived,
                     [](const QStringList& handed, bool handedPick, const QString& handedToken) {
                         // As a program that asks the user something first.
                         if (qEnvironmentVariableIsSet("ZUNO_TEST_BUSY_FIRST"))
                             QThread::sleep(3);
                         std::printf("received %s|pick=%d|token=%s\n",
                                     qPrintable(handed.join(QLatin1Char('|'))), int(handedPick),
                                     qPrintable(handedToken));
                         std::fflush(stdout);
                         QCoreApplication::quit();
                     });
    QObject::connect(&instance, &SingleInstance::searchReceived,
                     [](const QString& terms, const QString& handedToken) {
                         std::printf("search %s|token=%s\n", qPrintable(terms),
                                     qPrintable(handedToken));
                         std::fflush(stdout);
                         QCoreApplication::quit();
                     });
    QTimer::singleShot(20000, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

class tst_SingleInstance : public QObject
{
    Q_OBJECT

    QProcess m_bus;
    QString m_address;

    QProcessEnvironment environment(const QString& address) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DBUS_SESSION_BUS_ADDRESS", "XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"})
            env.remove(QLatin1String(name));
        if (!address.isEmpty())
            env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        return env;
    }

    // Starts one instance; it has said its role when this returns.
    void startInstance(QProcess& process, const QStringList& files, const QProcessEnvironment& env,
                       bool waitForRole = true)
    {
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationFilePath(),
                      QStringList{"--as-instance"} + files);
        QVERIFY(process.waitForStarted());
        if (waitForRole)
            QVERIFY(process.waitForReadyRead(10000));
    }

    static QStringList outputOf(QProcess& process)
    {
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
            return {"(did not end)"};
        }
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return {"(failed)"};
        return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_bus.start(daemon, {"--session", "--nofork", "--print-address"});
        QVERIFY(m_bus.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
    }
    void cleanupTestCase()
    {
        m_bus.kill();
        m_bus.waitForFinished();
    }

    // A later start hands its files, its --pick and its activation token to
    // the first and ends; the first takes them.
    void laterStartHandsOver_data()
    {
        QTest::addColumn<QStringList>("tokens"); // XDG_ACTIVATION_TOKEN, DESKTOP_STARTUP_ID
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("received");
        QTest::newRow("Wayland token, picking")
            << QStringList{"wl-1", ""} << QStringList{"/a/b c.smy", "--pick", "/d.acr"}
            << "received /a/b c.smy|/d.acr|pick=1|token=wl-1";
        QTest::newRow("X11 startup id, no files") << QStringList{"", "x11_TIME42"} << QStringList()
                                                  << "received |pick=0|token=x11_TIME42";
        QTest::newRow("Wayland token first") << QStringList{"wl-2", "x11"} << QStringList{"/é.smy"}
                                             << "received /é.smy|pick=0|token=wl-2";
        QTest::newRow("a search from the desktop's search")
            << QStringList{"wl-3", ""} << QStringList{"--search=wink clin"}
            << "search wink clin|token=wl-3";
        QTest::newRow("the first takes its time over it")
            << QStringList{"", ""} << QStringList{"busy", "/f.acr"}
            << "received /f.acr|pick=0|token=";
    }
    void laterStartHandsOver()
    {
        QFETCH(QStringList, tokens);
        QFETCH(QStringList, arguments);
        QFETCH(QString, received);
        QProcessEnvironment firstEnv = environment(m_address);
        if (arguments.removeAll("busy"))
            firstEnv.insert("ZUNO_TEST_BUSY_FIRST", "1");
        QProcess first;
        startInstance(first, {"/first.smy"}, firstEnv);
        QCOMPARE(first.readLine().trimmed(), QByteArray("role first"));

        QProcessEnvironment env = environment(m_address);
        if (!tokens.at(0).isEmpty())
            env.insert("XDG_ACTIVATION_TOKEN", tokens.at(0));
        if (!tokens.at(1).isEmpty())
            env.insert("DESKTOP_STARTUP_ID", tokens.at(1));
        QProcess later;
        startInstance(later, arguments, env, false);
        QCOMPARE(outputOf(later), QStringList{"role handed"});
        QCOMPARE(outputOf(first), QStringList{received});
    }

    // A call over the limits is refused with an error reply and reaches
    // nothing; one within them is taken.
    void oversizedHandOversAreRefused()
    {
        QProcess first;
        startInstance(first, {}, environment(m_address));
        QCOMPARE(first.readLine().trimmed(), QByteArray("role first"));
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, "oversized");
        const auto handOver = [&bus](const QStringList& files) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                SingleInstance::serviceName(), SingleInstance::objectPath(),
                "example.orvak.ZunoSmiley.Instance", "HandOver");
            call << files << false << QString();
            return bus.call(call, QDBus::Block, 10000);
        };
        QStringList many;
        for (int i = 0; i <= SingleInstance::MaxFilesPerCall; ++i)
            many << QString("/%1.smy").arg(i);
        for (const QStringList& files :
             {many, QStringList{"/" + QString(SingleInstance::MaxTextLength, 'a')}}) {
            const QDBusMessage reply = handOver(files);
            QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
            QCOMPARE(reply.errorName(), QString("org.freedesktop.DBus.Error.LimitsExceeded"));
        }
        QCOMPARE(handOver({"/within.smy"}).type(), QDBusMessage::ReplyMessage);
        QDBusConnection::disconnectFromBus("oversized");
        QCOMPARE(outputOf(first), QStringList{"received /within.smy|pick=0|token="});
    }

    // Two starts at the same moment: one is the first, the other hands over.
    void twoStartsAtOnce()
    {
        for (int round = 0; round < 5; ++round) {
            QProcess one;
            QProcess two;
            startInstance(one, {"/one.smy"}, environment(m_address), false);
            startInstance(two, {"/two.smy"}, environment(m_address), false);
            QStringList both = outputOf(one) + outputOf(two);
            both.sort();
            const bool oneFirst = both.contains("received /two.smy|pick=0|token=");
            QCOMPARE(both, (QStringList{oneFirst ? "received /two.smy|pick=0|token="
                                                 : "received /one.smy|pick=0|token=",
                                        "role first", "role handed"}));
        }
    }

    // Without a bus, or with a first start that does not answer, a start
    // runs on its own.
    void runsAloneWithoutAnAnswer_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("stoppedFirst");
        QTest::newRow("no session bus") << QString() << false;
        QTest::newRow("bus gone") << "unix:path=/nonexistent/bus" << false;
        QTest::newRow("first start stopped") << "(test bus)" << true;
    }
    void runsAloneWithoutAnAnswer()
    {
        QFETCH(QString, address);
        QFETCH(bool, stoppedFirst);
        if (address == "(test bus)")
            address = m_address;
        QProcess first;
        if (stoppedFirst) {
            startInstance(first, {}, environment(m_address));
            QCOMPARE(first.readLine().trimmed(), QByteArray("role first"));
            ::kill(pid_t(first.processId()), SIGSTOP);
        }
        QProcess later;
        startInstance(later, {"/x.smy"}, environment(address), false);
        QCOMPARE(outputOf(later), QStringList{"role alone"});
        if (stoppedFirst) {
            ::kill(pid_t(first.processId()), SIGCONT);
            first.kill();
            first.waitForFinished();
        }
    }
};

int main(int argc, char* argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], "--as-instance") == 0)
        return runInstance(argc, argv);
    QCoreApplication app(argc, argv);
    tst_SingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
