#include "base/NativePath.h"
#include "desktop/EarlyHandOver.h"
#include "desktop/SingleInstance.h"

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
// ends (or ends after 20 s); with ZUNO_TEST_BUSY_FIRST set it takes 3 s first,
// with ZUNO_TEST_UNTIL_PICK set it prints every command line up to one with
// --pick. With ZUNO_TEST_EARLY set it first hands over as the program does
// before it has an application object.
int runInstance(int argc, char* argv[])
{
    // Before the application object, as the program does.
    const QString token = SingleInstance::startupToken();
    QStringList files;
    // As the program takes its arguments; "\\xff" in one stands for that byte,
    // which is no UTF-8, and stands for it again in what is printed.
    for (int i = 2; i < argc; ++i)
        files << NativePath::decode(QByteArray(argv[i]).replace("\\xff", "\xff"));
    const bool pick = files.removeAll(QStringLiteral("--pick")) > 0;
    QString search;
    if (!files.isEmpty() && files.last().startsWith(QLatin1String("--search=")))
        search = files.takeLast().mid(9);
    auto early = EarlyHandOver::Outcome::NoHolder;
    if (qEnvironmentVariableIsSet("ZUNO_TEST_EARLY")) {
        early = EarlyHandOver::handOver(files, pick, token, search);
        if (early == EarlyHandOver::Outcome::HandedOver) {
            std::printf("role handed early\n");
            return 0;
        }
    }
    QCoreApplication app(argc, argv);
    SingleInstance instance;
    // On a thread of its own, as the program claims the name.
    SingleInstance::Role role = SingleInstance::Role::Alone;
    std::thread claim([&] {
        if (early == EarlyHandOver::Outcome::NoHolder)
            role = instance.start(files, pick, token, search);
    });
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
                                     NativePath::encode(handed.join(QLatin1Char('|')))
                                         .replace("\xff", "\\xff")
                                         .constData(),
                                     int(handedPick), qPrintable(handedToken));
                         std::fflush(stdout);
                         if (handedPick || !qEnvironmentVariableIsSet("ZUNO_TEST_UNTIL_PICK"))
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
    // the first and ends; the first takes them. Early: before the later start
    // has an application object, and with no display at all.
    void laterStartHandsOver_data()
    {
        QTest::addColumn<bool>("early");
        QTest::addColumn<QStringList>("tokens"); // XDG_ACTIVATION_TOKEN, DESKTOP_STARTUP_ID
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("received");
        for (const bool early : {false, true}) {
            const auto row = [early](const char* name) {
                return &QTest::newRow(qPrintable((early ? "early: " : "") + QString(name)));
            };
            *row("Wayland token, picking")
                << early << QStringList{"wl-1", ""} << QStringList{"/a/b c.smy", "--pick", "/d.acr"}
                << QStringList{"received /a/b c.smy|/d.acr|pick=1|token=wl-1"};
            *row("X11 startup id, no files")
                << early << QStringList{"", "x11_TIME42"} << QStringList()
                << QStringList{"received |pick=0|token=x11_TIME42"};
            *row("Wayland token first")
                << early << QStringList{"wl-2", "x11"} << QStringList{"/é.smy"}
                << QStringList{"received /é.smy|pick=0|token=wl-2"};
            *row("a name that is not UTF-8")
                << early << QStringList{"", ""} << QStringList{"/caf\\xff 100%.smy"}
                << QStringList{"received /caf\\xff 100%.smy|pick=0|token="};
            *row("a search from the desktop's search")
                << early << QStringList{"wl-3", ""} << QStringList{"--search=wink clin"}
                << QStringList{"search wink clin|token=wl-3"};
            *row("the first takes its time over it")
                << early << QStringList{"", ""} << QStringList{"busy", "/f.acr"}
                << QStringList{"received /f.acr|pick=0|token="};
            // One call more than the limit carries, the pick with the last.
            QStringList many{"until-pick", "--pick"};
            for (int i = 0; i <= SingleInstance::MaxFilesPerCall; ++i)
                many << QString("/%1.smy").arg(i);
            *row("more files than one call carries")
                << early << QStringList{"wl-4", ""} << many
                << QStringList{"received " +
                                   many.mid(2, SingleInstance::MaxFilesPerCall).join('|') +
                                   "|pick=0|token=wl-4",
                               "received " + many.last() + "|pick=1|token=wl-4"};
        }
    }
    void laterStartHandsOver()
    {
        QFETCH(bool, early);
        QFETCH(QStringList, tokens);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, received);
        QProcessEnvironment firstEnv = environment(m_address);
        if (arguments.removeAll("busy"))
            firstEnv.insert("ZUNO_TEST_BUSY_FIRST", "1");
        if (arguments.removeAll("until-pick"))
            firstEnv.insert("ZUNO_TEST_UNTIL_PICK", "1");
        QProcess first;
        startInstance(first, {"/first.smy"}, firstEnv);
        QCOMPARE(first.readLine().trimmed(), QByteArray("role first"));

        QProcessEnvironment env = environment(m_address);
        if (!tokens.at(0).isEmpty())
            env.insert("XDG_ACTIVATION_TOKEN", tokens.at(0));
        if (!tokens.at(1).isEmpty())
            env.insert("DESKTOP_STARTUP_ID", tokens.at(1));
        if (early) {
            env.insert("ZUNO_TEST_EARLY", "1");
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                env.remove(QLatin1String(name));
        }
        QProcess later;
        startInstance(later, arguments, env, false);
        QCOMPARE(outputOf(later), QStringList{early ? "role handed early" : "role handed"});
        QCOMPARE(outputOf(first), received);
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
            // Every other round both hand over early first, as the program does.
            QProcessEnvironment env = environment(m_address);
            if (round % 2)
                env.insert("ZUNO_TEST_EARLY", "1");
            QProcess one;
            QProcess two;
            startInstance(one, {"/one.smy"}, env, false);
            startInstance(two, {"/two.smy"}, env, false);
            QStringList both = outputOf(one) + outputOf(two);
            both.sort();
            const bool oneFirst = both.contains("received /two.smy|pick=0|token=");
            // A start that finds the other's name already there hands over early.
            const QString handed =
                both.contains("role handed early") ? "role handed early" : "role handed";
            QCOMPARE(both, (QStringList{oneFirst ? "received /two.smy|pick=0|token="
                                                 : "received /one.smy|pick=0|token=",
                                        "role first", handed}));
        }
    }

    // Without a bus, or with a bus or a first start that does not answer,
    // a start runs on its own.
    void runsAloneWithoutAnAnswer_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("stoppedFirst");
        QTest::addColumn<bool>("early");
        QTest::newRow("no session bus") << QString() << false << false;
        QTest::newRow("bus gone") << "unix:path=/nonexistent/bus" << false << false;
        QTest::newRow("bus gone, early") << "unix:path=/nonexistent/bus" << false << true;
        QTest::newRow("first start stopped") << "(test bus)" << true << false;
        QTest::newRow("first start stopped, early") << "(test bus)" << true << true;
        QTest::newRow("bus stopped, early") << "(stopped bus)" << false << true;
    }
    void runsAloneWithoutAnAnswer()
    {
        QFETCH(QString, address);
        QFETCH(bool, stoppedFirst);
        QFETCH(bool, early);
        const bool stoppedBus = address == "(stopped bus)";
        if (address == "(test bus)" || stoppedBus)
            address = m_address;
        if (stoppedBus)
            ::kill(pid_t(m_bus.processId()), SIGSTOP);
        QProcess first;
        if (stoppedFirst) {
            startInstance(first, {}, environment(m_address));
            QCOMPARE(first.readLine().trimmed(), QByteArray("role first"));
            ::kill(pid_t(first.processId()), SIGSTOP);
        }
        QProcess later;
        QProcessEnvironment env = environment(address);
        if (early)
            env.insert("ZUNO_TEST_EARLY", "1");
        startInstance(later, {"/x.smy"}, env, false);
        const QStringList output = outputOf(later);
        if (stoppedBus)
            ::kill(pid_t(m_bus.processId()), SIGCONT);
        QCOMPARE(output, QStringList{"role alone"});
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
