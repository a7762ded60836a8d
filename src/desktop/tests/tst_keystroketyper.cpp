// Typing into another program's window on an X display (Xvfb, without a
// window manager and under a stand-in one): the window active before is
// remembered, something else takes the focus, the remembered window is
// activated again and the text typed into it arrives exactly, whether the
// layout has its characters or not.
#include "TypingTarget.h"
#include "desktop/ActiveWindow.h"
#include "desktop/typing/KeystrokeTyper.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The keyboard as every X client sees it: its keysyms by keycode and whether
// Caps Lock is on.
struct Keyboard
{
    QList<KeySym> keysyms;
    bool capsLocked = false;

    bool operator==(const Keyboard&) const = default;

    static Keyboard now()
    {
        Display* display = XOpenDisplay(nullptr);
        Keyboard keyboard;
        int minCode = 0, maxCode = 0, perCode = 0;
        XDisplayKeycodes(display, &minCode, &maxCode);
        KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minCode),
                                          maxCode - minCode + 1, &perCode);
        keyboard.keysyms = QList<KeySym>(map, map + (maxCode - minCode + 1) * perCode);
        XFree(map);
        XkbStateRec state{};
        XkbGetState(display, XkbUseCoreKbd, &state);
        keyboard.capsLocked = (state.locked_mods & LockMask) != 0;
        XCloseDisplay(display);
        return keyboard;
    }

    static void lockCaps(bool on)
    {
        Display* display = XOpenDisplay(nullptr);
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, on ? LockMask : 0);
        XCloseDisplay(display);
    }
};

const QString xcb = QStringLiteral("xcb");

} // namespace

class TestKeystrokeTyper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The X path is tested, also when the test is started from a
        // Wayland session.
        qunsetenv("WAYLAND_DISPLAY");
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("no X display: run through tests/support/with-xvfb.sh");
        // The typing backends' libraries are loaded when the first text is
        // typed (by the tests below), not at start.
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        for (const char* library : {"/libXtst.so", "/libwayland-client.so"})
            QVERIFY2(!mapped.contains(library), library);
        m_target = std::make_unique<TypingTarget>(QStringLiteral("Target"), xcb);
        QVERIFY2(m_target->window() != 0, "the target window did not come up");
    }

    void cleanupTestCase() { m_target.reset(); }

    void typesIntoTheWindowActiveBefore_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("arrives");
        QTest::addColumn<bool>("capsLock");
        // A busy window reads the keymap change and the keys only well after
        // they were sent, as on a loaded machine.
        QTest::addColumn<bool>("busy");
        QTest::newRow("in the layout, with Shift")
            << u";-) Wink!"_s << u";-) Wink!"_s << false << false;
        QTest::newRow("accents and an arrow, the window busy")
            << u"café →"_s << u"café →"_s << false << true;
        QTest::newRow("with Caps Lock on") << u"Wink é"_s << u"Wink é"_s << true << false;
        QTest::newRow("Greek and outside the BMP")
            << u"Ωμέγα 😀 𝄞 ok"_s << u"Ωμέγα 😀 𝄞 ok"_s << false << false;
        QTest::newRow("line breaks and tabs, other controls left out")
            << u"one\r\ntwo\tthree\rfour\nfive\x01\x7f"_s << u"one\ntwo\tthree\nfour\nfive"_s
            << false << false;
        // More characters missing from the layout than it has empty keycodes
        // (Xvfb's has 19).
        QString many;
        for (char16_t c = u'一'; c < u'一' + 45; ++c)
            many += QChar(c);
        QTest::newRow("more missing characters than spare keys, the window busy")
            << many << many << false << true;
    }

    void typesIntoTheWindowActiveBefore()
    {
        QFETCH(QString, text);
        QFETCH(QString, arrives);
        QFETCH(bool, capsLock);
        QFETCH(bool, busy);
        QCOMPARE(m_target->ask("clear"), QByteArray("cleared"));
        QCOMPARE(m_target->ask("focus"), QByteArray("focused"));
        QTRY_COMPARE(ActiveWindow::current().windowId(), m_target->window());
        const ActiveWindow remembered = ActiveWindow::current();

        // Something else comes to the front, as the catalogue does.
        TypingTarget other(QStringLiteral("Other"), xcb);
        QVERIFY(other.window() != 0);
        QCOMPARE(ActiveWindow::current().windowId(), other.window());

        QVERIFY(remembered.activate());
        QCOMPARE(ActiveWindow::current().windowId(), m_target->window());
        Keyboard::lockCaps(capsLock);
        const Keyboard before = Keyboard::now();
        if (busy)
            QCOMPARE(m_target->ask("busy 500"), QByteArray("busy"));
        QCOMPARE(KeystrokeTyper::type(text), KeystrokeTyper::Outcome::Typed);
        QTRY_COMPARE(m_target->text(), arrives);
        QCOMPARE(other.text(), QString());
        // The keymap and Caps Lock are as they were.
        QVERIFY(Keyboard::now() == before);
        Keyboard::lockCaps(false);
    }

    void aClosedWindowIsNotActivated()
    {
        ActiveWindow gone;
        {
            TypingTarget other(QStringLiteral("Other"), xcb);
            QTRY_COMPARE(ActiveWindow::current().windowId(), other.window());
            gone = ActiveWindow::current();
            other.quit();
        }
        QVERIFY(!gone.isNull());
        QVERIFY(!gone.activate());
        QVERIFY(!ActiveWindow().activate());
    }

    // Under a window manager the window is activated through it, as a pager
    // asks; what a window manager that ended left behind is not believed.
    void activatesThroughTheWindowManager()
    {
        QProcess windowManager;
        windowManager.start(QStringLiteral(ACTIVATION_WM));
        QVERIFY(windowManager.waitForReadyRead(10000));
        QCOMPARE(windowManager.readLine(), QByteArray("ready\n"));
        const auto stop = qScopeGuard([&] {
            windowManager.kill();
            windowManager.waitForFinished();
            // Later windows activate themselves as without a window manager.
            Display* display = XOpenDisplay(nullptr);
            for (const char* name :
                 {"_NET_SUPPORTED", "_NET_SUPPORTING_WM_CHECK", "_NET_ACTIVE_WINDOW"})
                XDeleteProperty(display, DefaultRootWindow(display),
                                XInternAtom(display, name, False));
            XCloseDisplay(display);
        });
        TypingTarget managed(QStringLiteral("Managed"), xcb);
        QVERIFY(managed.window() != 0);
        QTRY_COMPARE(ActiveWindow::current().windowId(), managed.window());
        const ActiveWindow remembered = ActiveWindow::current();
        TypingTarget other(QStringLiteral("Other"), xcb);
        QTRY_COMPARE(ActiveWindow::current().windowId(), other.window());

        QByteArray requests = windowManager.readAll();
        QVERIFY(remembered.activate());
        const QByteArray asPager = "activate " + QByteArray::number(managed.window()) + " 2\n";
        QTRY_VERIFY((requests += windowManager.readAll()).contains(asPager));
        QCOMPARE(KeystrokeTyper::type(u";-)"_s), KeystrokeTyper::Outcome::Typed);
        QTRY_COMPARE(managed.text(), u";-)"_s);

        // The window manager crashes and leaves its word on the root; the
        // focus moves on without it.
        windowManager.kill();
        QVERIFY(windowManager.waitForFinished(5000));
        Display* display = XOpenDisplay(nullptr);
        XSetInputFocus(display, other.window(), RevertToParent, CurrentTime);
        XCloseDisplay(display);
        QTRY_COMPARE(ActiveWindow::current().windowId(), other.window());
    }

    // Nothing is typed where there is no way to type, so the caller can
    // fall back to the clipboard.
    void reportsNoWayToType()
    {
        QCOMPARE(m_target->ask("clear"), QByteArray("cleared"));
        QCOMPARE(m_target->ask("focus"), QByteArray("focused"));
        const QByteArray display = qgetenv("DISPLAY");
        const auto restore = qScopeGuard([&] {
            qputenv("DISPLAY", display);
            qunsetenv("WAYLAND_DISPLAY");
        });
        qputenv("WAYLAND_DISPLAY", "no-such-compositor");
        QCOMPARE(KeystrokeTyper::type(u"x"_s), KeystrokeTyper::Outcome::NotOffered);
        QVERIFY(ActiveWindow::current().isNull());
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("DISPLAY");
        QCOMPARE(KeystrokeTyper::type(u"x"_s), KeystrokeTyper::Outcome::NotOffered);
        QVERIFY(ActiveWindow::current().isNull());
        QCOMPARE(m_target->text(), QString());
    }

private:
    std::unique_ptr<TypingTarget> m_target;
};

QTEST_GUILESS_MAIN(TestKeystrokeTyper)
#include "tst_keystroketyper.moc"
