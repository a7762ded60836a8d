// OVObject's settings, one set per thread, and its confirmation dialog as a
// user answers it.

#include "compat/AutomationError.h"
#include "ovobj10/OVObject.h"

#include "ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>
#include <thread>

namespace {

QPushButton* button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

struct DialogView
{
    QString title;
    QStringList captions;
    bool forAllEnabled = false;
    bool forAllVisible = false;
    QStringList fontFamilies; // form, label, buttons
    QSize size;
    Qt::WindowFlags flags;
    Qt::CursorShape cursor = Qt::BitmapCursor;
};

DialogView look(QWidget* dialog)
{
    DialogView v;
    v.title = dialog->windowTitle();
    v.fontFamilies << dialog->font().family()
                   << dialog->findChild<QLabel*>("lblCaption")->font().family();
    for (const char* name : {"CmdYes", "CmdYesForAll", "CmdNo", "CmdCancel"}) {
        v.captions << button(dialog, name)->text();
        v.fontFamilies << button(dialog, name)->font().family();
    }
    v.forAllEnabled = button(dialog, "CmdYesForAll")->isEnabled();
    v.forAllVisible = button(dialog, "CmdYesForAll")->isVisible();
    v.size = dialog->size();
    v.flags = dialog->windowFlags();
    if (QGuiApplication::overrideCursor())
        v.cursor = QGuiApplication::overrideCursor()->shape();
    return v;
}

} // namespace

class tst_OVObjectConfirm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }

    // --- shared settings -----------------------------------------------

    void newObjectResetsTheThreadsLanguage()
    {
        OVObject first;
        first.setLanguage(OVObject::objEnglish);
        QCOMPARE(first.Language(), OVObject::objEnglish);
        OVObject second;
        QCOMPARE(second.Language(), OVObject::objFrench);
        QCOMPARE(first.Language(), OVObject::objFrench);
    }

    void languageIsStoredUnchecked_data()
    {
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << 0;
        QTest::newRow("seven") << 7;
        QTest::newRow("negative") << -1;
    }
    void languageIsStoredUnchecked()
    {
        QFETCH(int, value);
        OVObject o;
        o.setLanguage(OVObject::LanguageConstants(value));
        QCOMPARE(int(o.Language()), value);
    }

    void settingsAreOnePerThread()
    {
        OVObject here;
        here.setLanguage(OVObject::objEnglish);
        int seenThere = 0;
        std::thread other([&seenThere] {
            OVObject there;
            there.setLanguage(OVObject::LanguageConstants(5));
            seenThere = there.Language();
        });
        other.join();
        QCOMPARE(seenThere, 5);
        QCOMPARE(here.Language(), OVObject::objEnglish);
    }

    // --- confirmation dialog --------------------------------------------

    void dialogAnswersItsButtons_data()
    {
        QTest::addColumn<QByteArray>("buttonName");
        QTest::addColumn<int>("expected");
        QTest::newRow("yes") << QByteArray("CmdYes") << 1;
        QTest::newRow("yes for all") << QByteArray("CmdYesForAll") << 2;
        QTest::newRow("no") << QByteArray("CmdNo") << 3;
        QTest::newRow("cancel") << QByteArray("CmdCancel") << 4;
    }
    void dialogAnswersItsButtons()
    {
        QFETCH(QByteArray, buttonName);
        QFETCH(int, expected);
        OVObject o;
        whenModalShown([buttonName](QWidget* d) {
            QTest::mouseClick(button(d, buttonName.constData()), Qt::LeftButton);
        });
        QCOMPARE(o.GetConfirmValue("Replace the file?", true), expected);
    }

    void dialogGoneWithoutAButtonAnswersZero_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("closed by the system") << "close";
        QTest::newRow("rejected") << "reject";
        QTest::newRow("hidden") << "hide";
    }
    void dialogGoneWithoutAButtonAnswersZero()
    {
        QFETCH(QString, how);
        OVObject o;
        whenModalShown([how](QWidget* d) {
            if (how == "close")
                d->close();
            else if (how == "reject")
                static_cast<QDialog*>(d)->reject();
            else
                d->hide();
        });
        QCOMPARE(o.GetConfirmValue("Go away?", true), 0);
    }

    void keyboardAnswers_data()
    {
        QTest::addColumn<QByteArray>("focused");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("expected");
        QTest::newRow("escape cancels") << QByteArray("CmdYes") << int(Qt::Key_Escape) << 0 << 4;
        QTest::newRow("enter on the first button") << QByteArray() << int(Qt::Key_Return) << 0 << 1;
        QTest::newRow("enter on No") << QByteArray("CmdNo") << int(Qt::Key_Return) << 0 << 3;
        QTest::newRow("keypad enter on Yes for All")
            << QByteArray("CmdYesForAll") << int(Qt::Key_Enter) << 0 << 2;
        QTest::newRow("access key of Non")
            << QByteArray() << int(Qt::Key_N) << int(Qt::AltModifier) << 3;
        QTest::newRow("access key of Tout")
            << QByteArray() << int(Qt::Key_T) << int(Qt::AltModifier) << 2;
        QTest::newRow("access key of Annuler")
            << QByteArray() << int(Qt::Key_A) << int(Qt::AltModifier) << 4;
    }
    void keyboardAnswers()
    {
        QFETCH(QByteArray, focused);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, expected);
        OVObject o; // French captions
        whenModalShown([=](QWidget* d) {
            QVERIFY(QTest::qWaitForWindowActive(d));
            if (!focused.isEmpty())
                button(d, focused.constData())->setFocus();
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : d;
            QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        });
        QCOMPARE(o.GetConfirmValue("Keys?", true), expected);
    }

    void captionsFollowTheLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("captions");
        const QStringList english{"&Yes", "Yes for &All", "&No", "&Cancel"};
        QTest::newRow("French") << 1 << QStringList{"&Oui", "Oui pour &Tout", "&Non", "&Annuler"};
        QTest::newRow("English") << 2 << english;
        QTest::newRow("unknown language keeps the design captions") << 0 << english;
    }
    void captionsFollowTheLanguage()
    {
        QFETCH(int, language);
        QFETCH(QStringList, captions);
        OVObject o;
        o.setLanguage(OVObject::LanguageConstants(language));
        DialogView seen;
        whenModalShown([&seen](QWidget* d) {
            seen = look(d);
            button(d, "CmdNo")->click();
        });
        QCOMPARE(o.GetConfirmValue("Captions?", true), 3);
        QCOMPARE(seen.captions, captions);
    }

    void dialogShape()
    {
        OVObject o;
        DialogView seen;
        whenModalShown([&seen](QWidget* d) {
            seen = look(d);
            button(d, "CmdYes")->click();
        });
        o.GetConfirmValue("Shape?", true);
        const qreal dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
        QCOMPARE(seen.size, QSize(qRound(5160 * dpi / 1440), qRound(1080 * dpi / 1440)));
        QVERIFY(!(seen.flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(seen.flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(seen.flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(seen.flags & Qt::WindowSystemMenuHint));
        QVERIFY(seen.flags & Qt::CustomizeWindowHint);
        QCOMPARE(seen.flags & Qt::WindowType_Mask, Qt::Tool); // kept out of the task bar
        QCOMPARE(seen.title, QString());
    }

    void yesForAllDisabledStaysVisibleAndInert()
    {
        OVObject o;
        DialogView seen;
        whenModalShown([&seen](QWidget* d) {
            seen = look(d);
            QTest::mouseClick(button(d, "CmdYesForAll"), Qt::LeftButton);
            QTimer::singleShot(20, d, [d] { button(d, "CmdNo")->click(); });
        });
        QCOMPARE(o.GetConfirmValue("All?", false), 3);
        QVERIFY(!seen.forAllEnabled);
        QVERIFY(seen.forAllVisible);
        QCOMPARE(seen.captions.at(1), QString("Oui pour &Tout"));
    }

    void titleIsTheTextOfTheArgument_data()
    {
        QTest::addColumn<QVariant>("title");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << QVariant() << QString();
        QTest::newRow("text") << QVariant("Copie") << QString("Copie");
        QTest::newRow("number") << QVariant(42) << QString("42");
    }
    void titleIsTheTextOfTheArgument()
    {
        QFETCH(QVariant, title);
        QFETCH(QString, shown);
        OVObject o;
        DialogView seen;
        whenModalShown([&seen](QWidget* d) {
            seen = look(d);
            button(d, "CmdYes")->click();
        });
        if (title.isValid())
            o.GetConfirmValue("Title?", true, title);
        else
            o.GetConfirmValue("Title?", true);
        QCOMPARE(seen.title, shown);
    }

    void messageIsShownAsPlainText()
    {
        OVObject o;
        QString text;
        Qt::TextFormat format = Qt::AutoText;
        whenModalShown([&](QWidget* d) {
            auto* label = d->findChild<QLabel*>("lblCaption");
            text = label->text();
            format = label->textFormat();
            button(d, "CmdYes")->click();
        });
        o.GetConfirmValue("<b>bold</b> & co", true);
        QCOMPARE(text, QString("<b>bold</b> & co"));
        QCOMPARE(format, Qt::PlainText);
    }

    void everyCallHasAFreshDialog()
    {
        OVObject o;
        whenModalShown([](QWidget* d) { button(d, "CmdYesForAll")->click(); });
        QCOMPARE(o.GetConfirmValue("First", true), 2);
        whenModalShown([](QWidget* d) { d->close(); });
        QCOMPARE(o.GetConfirmValue("Second", true), 0);
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty() ||
                    !QApplication::topLevelWidgets().constFirst()->inherits("frmComConfirm"));
    }

    void fontNameReachesEveryControl()
    {
        OVObject o;
        DialogView seen;
        const auto answer = [&seen](QWidget* d) {
            seen = look(d);
            button(d, "CmdYes")->click();
        };
        whenModalShown(answer);
        o.GetConfirmValue("Font?", true);
        QCOMPARE(seen.fontFamilies, QStringList(6, "Arial"));

        o.setFontName("DejaVu Sans");
        o.setFontName(""); // ignored
        whenModalShown(answer);
        o.GetConfirmValue("Font?", true);
        QCOMPARE(seen.fontFamilies, QStringList(6, "DejaVu Sans"));

        OVObject another; // resets the shared font name
        whenModalShown(answer);
        o.GetConfirmValue("Font?", true);
        QCOMPARE(seen.fontFamilies, QStringList(6, "Arial"));
    }

    void activationRestoresTheArrowPointer()
    {
        OVObject o;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        DialogView seen;
        whenModalShown([&seen](QWidget* d) {
            QVERIFY(QTest::qWaitForWindowActive(d));
            seen = look(d);
            button(d, "CmdYes")->click();
        });
        o.GetConfirmValue("Busy?", true);
        QCOMPARE(seen.cursor, Qt::ArrowCursor);
        // The caller's own restore still balances its set.
        QGuiApplication::restoreOverrideCursor();
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void dialogNeedsTheGuiThread()
    {
        std::optional<quint32> raised;
        std::thread worker([&raised] {
            OVObject o;
            try {
                o.GetConfirmValue("From a worker", true);
            } catch (const AutomationError& e) {
                raised = e.number();
            }
        });
        worker.join();
        QCOMPARE(raised, std::optional<quint32>(0x800A0169));
    }
};

QTEST_MAIN(tst_OVObjectConfirm)
#include "tst_ovobject_confirm.moc"
