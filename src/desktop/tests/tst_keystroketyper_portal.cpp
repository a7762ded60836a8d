// Typing through the desktop's remote-desktop portal, as on KDE Plasma and
// GNOME under Wayland: the real portal front end on the test's private
// session bus, with a back end of the tests' own (remote_desktop_backend)
// that records the handshake and the keys that reach it.
#include "PreparedTyping.h"
#include "RecordingTyper.h"
#include "desktop/typing/KeystrokeTyper.h"
#include "desktop/typing/RemoteDesktopTyper.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Outcome = KeystrokeTyper::Outcome;
using Session = TypingBackend::Session;

// A backend of the walk: its kind of session, whether it is offered, what
// it answers.
struct Way
{
    Session session;
    bool offers;
    Outcome answer;
};

} // namespace

Q_DECLARE_METATYPE(Way)

class TestKeystrokeTyperPortal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFile::exists(QStringLiteral(PORTAL_FRONT_END)))
            QSKIP("the desktop portal (xdg-desktop-portal) is not installed");
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        if (!bus)
            QSKIP("no session bus: run through dbus-run-session");
        QVERIFY(m_folder.isValid());
        QVERIFY(QDir().mkpath(m_folder.filePath("portals")));
        QFile portal(m_folder.filePath("portals/zunotest.portal"));
        QVERIFY(portal.open(QIODevice::WriteOnly));
        portal.write("[portal]\n"
                     "DBusName=org.freedesktop.impl.portal.desktop.zunotest\n"
                     "Interfaces=org.freedesktop.impl.portal.RemoteDesktop;\n"
                     "UseIn=zunotest\n");
        portal.close();

        m_backend.setProcessChannelMode(QProcess::ForwardedChannels);
        m_backend.start(QStringLiteral(REMOTE_DESKTOP_BACKEND), {recordPath()});
        QTRY_VERIFY(bus->isServiceRegistered(QStringLiteral("org.freedesktop.impl.portal.desktop."
                                                            "zunotest")));
        m_frontEnd.setProcessChannelMode(QProcess::ForwardedChannels);
        startFrontEnd(false);
        QVERIFY(!QTest::currentTestFailed());
        // A Wayland session whose compositor offers no virtual keyboard.
        qputenv("WAYLAND_DISPLAY", m_folder.filePath("no-compositor").toLocal8Bit());
    }

    void cleanupTestCase()
    {
        for (QProcess* process : {&m_frontEnd, &m_backend}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    void init() { QFile::remove(recordPath()); }

    void typesEachCharacterAsItsKeysym_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keysyms");
        QTest::newRow("smiley") << u";-)"_s << u"0x3b 0x2d 0x29"_s;
        QTest::newRow("accent and arrow") << u"café →"_s << u"0x63 0x61 0x66 0xe9 0x20 0x8fd"_s;
        QTest::newRow("acronym") << u"IMHO"_s << u"0x49 0x4d 0x48 0x4f"_s;
    }

    void typesEachCharacterAsItsKeysym()
    {
        QFETCH(QString, text);
        QFETCH(QString, keysyms);
        QStringList strokes;
        for (const QString& keysym : keysyms.split(u' '))
            strokes << u"key "_s + keysym + u" 1"_s << u"key "_s + keysym + u" 0"_s;
        QCOMPARE(preparedTyping(), KeystrokeTyper::Outcome::Typed);
        QCOMPARE(KeystrokeTyper::type(text), KeystrokeTyper::Outcome::Typed);
        QTRY_COMPARE(recorded(u"key "_s), strokes);
        QTRY_COMPARE(recorded(u"close"_s).size(), 1);
    }

    // The backends of the session's kind are walked in order until one
    // types or fails; the portal is prepared where none is offered and types
    // where none typed.
    void walksTheBackendsOfTheSession_data()
    {
        QTest::addColumn<bool>("wayland");
        QTest::addColumn<QList<Way>>("ways");
        QTest::addColumn<Outcome>("typed");
        QTest::addColumn<QList<int>>("typedBy");
        QTest::addColumn<bool>("portal");
        QTest::newRow("a failure ends the walk")
            << true
            << QList<Way>{{Session::Wayland, false, Outcome::NotOffered},
                          {Session::Wayland, true, Outcome::Failed},
                          {Session::Wayland, true, Outcome::Typed}}
            << Outcome::Failed << QList<int>{1, 1, 0} << false;
        QTest::newRow("no X11 way on Wayland")
            << true << QList<Way>{{Session::X11, true, Outcome::Typed}} << Outcome::Typed
            << QList<int>{0} << true;
        QTest::newRow("the next X11 way") << false
                                          << QList<Way>{{Session::Wayland, true, Outcome::Typed},
                                                        {Session::X11, true, Outcome::NotOffered},
                                                        {Session::X11, true, Outcome::Typed}}
                                          << Outcome::Typed << QList<int>{0, 1, 1} << false;
    }

    void walksTheBackendsOfTheSession()
    {
        QFETCH(bool, wayland);
        QFETCH(QList<Way>, ways);
        QFETCH(Outcome, typed);
        QFETCH(QList<int>, typedBy);
        QFETCH(bool, portal);
        std::vector<std::unique_ptr<RecordingTyper>> backends;
        QList<TypingBackend*> walked;
        for (const Way& way : std::as_const(ways)) {
            backends.push_back(
                std::make_unique<RecordingTyper>(way.session, way.offers, way.answer));
            walked << backends.back().get();
        }
        const QByteArray display = qgetenv("WAYLAND_DISPLAY");
        const auto restore = qScopeGuard([&] {
            KeystrokeTyper::setBackends(std::nullopt);
            qputenv("WAYLAND_DISPLAY", display);
        });
        KeystrokeTyper::setBackends(walked);
        if (!wayland)
            qunsetenv("WAYLAND_DISPLAY");

        QCOMPARE(preparedTyping(), Outcome::Typed);
        QCOMPARE(recorded(u"select"_s).size(), portal ? 1 : 0);
        QCOMPARE(KeystrokeTyper::type(u";-)"_s), typed);
        for (qsizetype i = 0; i < ways.size(); ++i)
            QCOMPARE(backends[i]->typed,
                     QList<QList<quint32>>(typedBy[i], QList<quint32>{0x3b, 0x2d, 0x29}));
        if (portal)
            QTRY_COMPARE(recorded(u"close"_s).size(), 1);
        QCOMPARE(recorded(u"key "_s).size(), portal ? 2 * 3 : 0);
    }

    // The user is asked once where the portal keeps a permission (the
    // interface's second version, from front end 1.18 on): the token kept in
    // the state folder brings it back at the next pick. A token the portal
    // does not know, or takes for none, costs one question and is replaced.
    // Front ends of the first version keep nothing and ask at every pick.
    void asksOnceWhereThePortalKeepsThePermission_data()
    {
        QTest::addColumn<bool>("standIn");
        QTest::addColumn<QStringList>("handshakes");
        QTest::addColumn<bool>("pipe");          // a named pipe at the token's name
        QTest::addColumn<QByteArray>("planted"); // the token's file before the first pick
        const QStringList askedThenRestored{
            u"select types=1 persist=2 restore=no"_s, u"start asked"_s,
            u"select types=1 persist=2 restore=yes"_s, u"start restored"_s};
        const QByteArray unknown = "0b7c4f3e-2a61-4d8e-9b1f-5c3e7a9d2f10";
        QTest::newRow("second version") << true << askedThenRestored << false << QByteArray();
        QTest::newRow("installed front end") << false << askedThenRestored << false << QByteArray();
        QTest::newRow("a pipe is no token")
            << true
            << QStringList{u"select types=1 persist=2 restore=no"_s, u"start asked"_s,
                           u"select types=1 persist=2 restore=no"_s, u"start asked"_s}
            << true << QByteArray();
        QTest::newRow("unknown token") << true << askedThenRestored << false << unknown;
        QTest::newRow("unknown token, installed front end")
            << false << askedThenRestored << false << unknown;
        QTest::newRow("a token of another form")
            << true << askedThenRestored << false << QByteArray("not a token");
        QTest::newRow("a token of another form, installed front end")
            << false << askedThenRestored << false << QByteArray("not a token");
    }

    void asksOnceWhereThePortalKeepsThePermission()
    {
        QFETCH(bool, standIn);
        QFETCH(QStringList, handshakes);
        QFETCH(QByteArray, planted);
        startFrontEnd(standIn);
        const uint version = portalVersion();
        QVERIFY(version > 0);
        if (version < 2)
            handshakes = QStringList{u"select types=1 persist=0 restore=no"_s, u"start asked"_s,
                                     u"select types=1 persist=0 restore=no"_s, u"start asked"_s};
        QFETCH(bool, pipe);
        const QString token = RemoteDesktopTyper::restoreTokenPath();
        QFile::remove(token);
        const auto saved = [&token] {
            QFile file(token);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        if (!planted.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(token).path()));
            QFile file(token);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(planted), planted.size());
        }
        // A reader blocked in the pipe's open is let go after a bounded wait,
        // and the test fails instead of hanging.
        std::promise<void> typed;
        std::atomic<bool> blocked = false;
        std::thread release;
        const auto joined = qScopeGuard([&] {
            if (release.joinable()) {
                typed.set_value();
                release.join();
            }
        });
        if (pipe) {
            QVERIFY(QDir().mkpath(QFileInfo(token).path()));
            QCOMPARE(::mkfifo(QFile::encodeName(token).constData(), 0600), 0);
            release = std::thread([&token, &blocked, done = typed.get_future()] {
                if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready)
                    return;
                blocked = true;
                const QByteArray name = QFile::encodeName(token);
                const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
                ::unlink(name.constData());
                if (fd >= 0)
                    ::close(fd);
            });
        }
        QCOMPARE(preparedTyping(), KeystrokeTyper::Outcome::Typed);
        QCOMPARE(KeystrokeTyper::type(u";-)"_s), KeystrokeTyper::Outcome::Typed);
        QCOMPARE(QFile::exists(token), version >= 2 || !planted.isEmpty());
        if (version >= 2 && !pipe) {
            QCOMPARE(QFile::permissions(token) & 0x0777, QFile::Permissions(0x0600));
            QVERIFY(saved() != planted);
        }
        QCOMPARE(preparedTyping(), KeystrokeTyper::Outcome::Typed);
        QCOMPARE(KeystrokeTyper::type(u"BTW"_s), KeystrokeTyper::Outcome::Typed);
        QVERIFY(!blocked);
        QFile::remove(token);
        QTRY_COMPARE(recorded(u"close"_s).size(), 2);
        QCOMPARE(recorded(u"s"_s), handshakes);
        QCOMPARE(recorded(u"key "_s).size(), 2 * (3 + 3));
    }

    // The question on screen holds nothing up: the program's events go on,
    // a second pick joins the handshake under way, and cancelling ends it.
    void aPendingQuestionWaitsInNoLoop()
    {
        startFrontEnd(true);
        QFile::remove(RemoteDesktopTyper::restoreTokenPath());
        QFile hold(recordPath() + u".hold"_s);
        QVERIFY(hold.open(QIODevice::WriteOnly));
        QList<KeystrokeTyper::Outcome> outcomes;
        for (int pick = 0; pick < 2; ++pick)
            KeystrokeTyper::prepare(this, [&](KeystrokeTyper::Outcome o) { outcomes << o; });
        QTRY_COMPARE(recorded(u"start"_s), QStringList{u"start held"_s});
        QCOMPARE(KeystrokeTyper::type(u";-)"_s), KeystrokeTyper::Outcome::NotOffered);
        QVERIFY(outcomes.isEmpty());
        KeystrokeTyper::cancel();
        QTRY_COMPARE(outcomes,
                     QList<KeystrokeTyper::Outcome>(2, KeystrokeTyper::Outcome::NotOffered));
        QTRY_COMPARE(recorded(u"close"_s).size(), 1);
        QCOMPARE(recorded(u"select"_s).size(), 1);
        QVERIFY(hold.remove());
    }

    // Last: the refusal stays for the rest of the process.
    void refusalIsRememberedAndTypesNothing()
    {
        startFrontEnd(false);
        // A token the portal does not know brings the question, and goes with the refusal.
        const QString token = RemoteDesktopTyper::restoreTokenPath();
        QVERIFY(QDir().mkpath(QFileInfo(token).path()));
        QFile planted(token);
        QVERIFY(planted.open(QIODevice::WriteOnly));
        QVERIFY(planted.write("0b7c4f3e-2a61-4d8e-9b1f-5c3e7a9d2f10") > 0);
        planted.close();
        QFile refuse(recordPath() + u".refuse"_s);
        QVERIFY(refuse.open(QIODevice::WriteOnly));
        QCOMPARE(preparedTyping(), KeystrokeTyper::Outcome::NotOffered);
        QCOMPARE(preparedTyping(), KeystrokeTyper::Outcome::NotOffered);
        QCOMPARE(KeystrokeTyper::type(u";-)"_s), KeystrokeTyper::Outcome::NotOffered);
        QCOMPARE(recorded(u"start"_s), QStringList{u"start refused"_s});
        QCOMPARE(recorded(u"select"_s).size(), 1);
        QCOMPARE(recorded(u"key "_s), QStringList());
        QCOMPARE(QFile::exists(token), portalVersion() < 2);
    }

private:
    // The installed portal front end, or the recording program standing in
    // for a front end of the interface's second version.
    void startFrontEnd(bool standIn)
    {
        if (m_frontEnd.state() != QProcess::NotRunning && m_standIn == standIn)
            return;
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        const QString name = QStringLiteral("org.freedesktop.portal.Desktop");
        m_frontEnd.terminate();
        m_frontEnd.waitForFinished(5000);
        QTRY_VERIFY(!bus->isServiceRegistered(name));
        m_standIn = standIn;
        if (standIn) {
            m_frontEnd.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
            m_frontEnd.start(QStringLiteral(REMOTE_DESKTOP_BACKEND),
                             {recordPath(), QStringLiteral("--front-end")});
        } else {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_DESKTOP_PORTAL_DIR"), m_folder.filePath("portals"));
            env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("zunotest"));
            m_frontEnd.setProcessEnvironment(env);
            m_frontEnd.start(QStringLiteral(PORTAL_FRONT_END), {QStringLiteral("--replace")});
        }
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(name), 20000);
    }

    uint portalVersion() const
    {
        QDBusMessage get = QDBusMessage::createMethodCall(
            u"org.freedesktop.portal.Desktop"_s, u"/org/freedesktop/portal/desktop"_s,
            u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
        get << u"org.freedesktop.portal.RemoteDesktop"_s << u"version"_s;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get);
        return reply.arguments().value(0).value<QDBusVariant>().variant().toUInt();
    }

    QString recordPath() const { return m_folder.filePath("record"); }

    // The back end's lines that start with prefix.
    QStringList recorded(const QString& prefix) const
    {
        QFile file(recordPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
            if (line.startsWith(prefix))
                lines << line;
        return lines;
    }

    QTemporaryDir m_folder;
    QProcess m_backend;
    QProcess m_frontEnd;
    bool m_standIn = false;
};

QTEST_GUILESS_MAIN(TestKeystrokeTyperPortal)
#include "tst_keystroketyper_portal.moc"
