// Typing into another program's window under a Wayland compositor that
// offers a virtual keyboard (headless sway): the text arrives exactly,
// characters of no layout included, and no X window is remembered there.
#include "PreparedTyping.h"
#include "TypingTarget.h"
#include "desktop/ActiveWindow.h"
#include "desktop/typing/KeystrokeTyper.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestKeystrokeTyperWayland : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            QSKIP("no Wayland compositor: run through tests/support/in-headless-sway.sh");
        m_target =
            std::make_unique<TypingTarget>(QStringLiteral("Target"), QStringLiteral("wayland"));
        QVERIFY2(m_target->window() != 0, "the target window did not come up focused");
    }

    void cleanupTestCase() { m_target.reset(); }

    void typesIntoTheFocusedWindow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("arrives");
        QTest::newRow("wink") << u";-) Wink!"_s << u";-) Wink!"_s;
        QTest::newRow("accents and an arrow") << u"café →"_s << u"café →"_s;
        QTest::newRow("Greek and outside the BMP") << u"Ωμέγα 😀 𝄞"_s << u"Ωμέγα 😀 𝄞"_s;
        QTest::newRow("line breaks and tabs") << u"one\r\ntwo\tthree"_s << u"one\ntwo\tthree"_s;
        // More distinct characters than one keymap has keys for.
        QString many;
        for (char16_t c = u'一'; c < u'一' + 300; ++c)
            many += QChar(c);
        QTest::newRow("more characters than one keymap holds") << many << many;
    }

    void typesIntoTheFocusedWindow()
    {
        QFETCH(QString, text);
        QFETCH(QString, arrives);
        QCOMPARE(m_target->ask("clear"), QByteArray("cleared"));
        QCOMPARE(preparedTyping(), KeystrokeTyper::Outcome::Typed);
        QCOMPARE(KeystrokeTyper::type(text), KeystrokeTyper::Outcome::Typed);
        QTRY_COMPARE(m_target->text(), arrives);
    }

    void remembersNoXWindow() { QVERIFY(ActiveWindow::current().isNull()); }

private:
    std::unique_ptr<TypingTarget> m_target;
};

QTEST_GUILESS_MAIN(TestKeystrokeTyperWayland)
#include "tst_keystroketyper_wayland.moc"
