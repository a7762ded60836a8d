// OVObject's members that work on a caller's windows and on its own: help,
// fonts, the blue fade, the message box and the numeric key filters.

#include "compat/AutomationError.h"
#include "ovobj10/OVObject.h"

#include "ModalDriver.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <functional>
#include <thread>

namespace {

QWidget* helpWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "HelpWindow" && w->isVisible())
            return w;
    }
    return nullptr;
}

bool confirmFormLeftBehind()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "frmComConfirm")
            return true;
    }
    return false;
}

QImage fadedForm(OVObject& o, QSize size, OVObject::FadeStyleConstants style)
{
    QWidget form;
    form.resize(size);
    o.FadeForm(&form, style);
    form.update();
    return form.grab().toImage();
}

int blueAt(const QImage& image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    return c.red() == 0 && c.green() == 0 ? c.blue() : -1;
}

} // namespace

class tst_OVObjectForms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        OVObject().HelpExit(QString());
        QTRY_VERIFY(!helpWindow());
    }

    // --- help --------------------------------------------------------------

    void helpShowsTheFile_data()
    {
        QTest::addColumn<QString>("member");
        QTest::newRow("context") << "HelpContext";
        QTest::newRow("index") << "HelpIndex";
    }
    void helpShowsTheFile()
    {
        QFETCH(QString, member);
        QTemporaryDir dir;
        const QString file = dir.path() + "/zuno.html";
        QFile html(file);
        QVERIFY(html.open(QIODevice::WriteOnly));
        html.write("<html><head><title>Zuno help</title></head>"
                   "<body><h1>Smileys</h1><p>Pick a smiley.</p></body></html>");
        html.close();

        OVObject o;
        QMetaObject::invokeMethod(&o, member.toLatin1().constData(), Q_ARG(QString, file));
        QWidget* window = helpWindow();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString("Zuno help"));
        QVERIFY(window->findChild<QTextBrowser*>()->toPlainText().contains("Pick a smiley."));
        QVERIFY(!confirmFormLeftBehind()); // loaded for the call, unloaded after it

        o.HelpExit(file);
        QTRY_VERIFY(!helpWindow());
        QVERIFY(!confirmFormLeftBehind());
    }

    void helpOnHelpFollowsTheLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("title");
        QTest::newRow("French") << 1 << "Utilisation de l'aide";
        QTest::newRow("English") << 2 << "Using Help";
    }
    void helpOnHelpFollowsTheLanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, title);
        OVObject o;
        o.setLanguage(OVObject::LanguageConstants(language));
        o.HelpOnHelp("ignored.html");
        QWidget* window = helpWindow();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), title);
        QVERIFY(window->findChild<QTextBrowser*>()->toPlainText().contains(title));
    }

    void helpWithAMissingFileSaysSoAndRaisesNothing()
    {
        OVObject o;
        o.setLanguage(OVObject::objEnglish);
        o.HelpContext("/no/such/help.html");
        QWidget* window = helpWindow();
        QVERIFY(window);
        QVERIFY(window->findChild<QTextBrowser*>()->toPlainText().contains("/no/such/help.html"));
    }

    void helpWithoutAFileNameShowsNothing()
    {
        OVObject o;
        o.HelpContext(QString());
        o.HelpIndex(QString());
        QVERIFY(!helpWindow());
    }

    void helpFromAThreadWithoutWindowsRaisesNothing()
    {
        bool returned = false;
        std::thread worker([&returned] {
            OVObject o;
            o.HelpOnHelp("x.html");
            o.HelpExit("x.html");
            returned = true;
        });
        worker.join();
        QVERIFY(returned);
        QVERIFY(!helpWindow());
    }

    // --- fonts -------------------------------------------------------------

    void isValidFontNameIgnoresCase()
    {
        OVObject o;
        const QStringList families = QFontDatabase::families();
        QVERIFY(!families.isEmpty());
        QString family = families.constFirst();
        const qsizetype foundry = family.indexOf(" [");
        if (foundry > 0)
            family.truncate(foundry);
        QVERIFY(o.IsValidFontName(family));
        QVERIFY(o.IsValidFontName(family.toLower()));
        QVERIFY(o.IsValidFontName(family.toUpper()));
        QVERIFY(!o.IsValidFontName(""));
        QVERIFY(!o.IsValidFontName("No Such Font Zzq"));
    }

    void setGlobalFontRenamesEveryFontOfAForm()
    {
        QWidget form;
        QFont designed("Serif");
        designed.setPointSize(13);
        designed.setBold(true);
        form.setFont(designed);
        auto* label = new QLabel("label", &form);
        auto* box = new QLineEdit(&form);
        auto* inner = new QWidget(&form);
        auto* nested = new QPushButton("nested", inner);

        OVObject o;
        o.SetGlobalFont(&form, "DejaVu Sans Mono");
        for (QWidget* w : {&form, static_cast<QWidget*>(label), static_cast<QWidget*>(box), inner,
                           static_cast<QWidget*>(nested)}) {
            QCOMPARE(w->font().family(), QString("DejaVu Sans Mono"));
            QCOMPARE(w->font().pointSize(), 13);
            QVERIFY(w->font().bold());
        }
        // The shared font name stays: the next dialog is still in Arial.
        QString dialogFont;
        whenModalShown([&dialogFont](QWidget* d) {
            dialogFont = d->font().family();
            d->close();
        });
        o.GetConfirmValue("Font?", true);
        QCOMPARE(dialogFont, QString("Arial"));
    }

    void setGlobalFontIgnoresWhatIsNoForm()
    {
        QWidget form;
        auto* child = new QLabel("child", &form);
        const QString before = child->font().family();
        OVObject o;
        o.SetGlobalFont(child, "DejaVu Sans Mono");   // a control, not a form
        o.SetGlobalFont(&form, "");                   // no name
        o.SetGlobalFont(nullptr, "DejaVu Sans Mono"); // nothing at all
        QObject plain;
        o.SetGlobalFont(&plain, "DejaVu Sans Mono");
        QCOMPARE(child->font().family(), before);
    }

    // --- fade --------------------------------------------------------------

    void verticalFadeHasOnePixelBandsAt256Bands()
    {
        OVObject o;
        const QImage image = fadedForm(o, {120, 300}, OVObject::objFadeVertical);
        QVERIFY(QGuiApplication::primaryScreen()->depth() >= 16);
        for (int y = 299; y >= 44; --y)
            QCOMPARE(blueAt(image, 60, y), 299 - y);
        for (int y = 0; y < 44; ++y)
            QCOMPARE(blueAt(image, 60, y), 255);
        QCOMPARE(blueAt(image, 0, 299), 0);
        QCOMPARE(blueAt(image, 119, 299), 0);
    }

    void fadeOnALowFormIsAllBlue()
    {
        OVObject o;
        const QImage image = fadedForm(o, {200, 100}, OVObject::objFadeVertical);
        for (int y : {0, 50, 99})
            for (int x : {0, 100, 199})
                QCOMPARE(blueAt(image, x, y), 255);
    }

    void diagonalFadeDarkensTowardsTheBottomRight()
    {
        OVObject o;
        const QImage image = fadedForm(o, {512, 512}, OVObject::objFadeDiagonal);
        // Bands of two pixels, L-shaped: the bottom row and the right column share a level.
        QCOMPARE(blueAt(image, 511, 511), 0);
        QCOMPARE(blueAt(image, 0, 511), 0);
        QCOMPARE(blueAt(image, 511, 0), 0);
        QCOMPARE(blueAt(image, 0, 509), 1);
        QCOMPARE(blueAt(image, 509, 0), 1);
        QCOMPARE(blueAt(image, 0, 0), 255);
        QCOMPARE(blueAt(image, 100, 300), 105);
    }

    void unknownStylesPaintLikeTheHorizontalFade()
    {
        OVObject o;
        const QImage horizontal = fadedForm(o, {300, 80}, OVObject::objFadeHorizontal);
        const QImage seven = fadedForm(o, {300, 80}, OVObject::FadeStyleConstants(7));
        QCOMPARE(seven, horizontal);
        QCOMPARE(blueAt(horizontal, 299, 40), 0);
        QCOMPARE(blueAt(horizontal, 298, 40), 1);
        QCOMPARE(blueAt(horizontal, 10, 40), 255);
    }

    void solidBlueOnlySetsTheBackground()
    {
        OVObject o;
        QWidget form;
        form.resize(200, 300);
        o.FadeForm(&form, OVObject::objFadeSolidBlue);
        QCOMPARE(form.palette().color(QPalette::Window), QColor(0, 0, 127));
        QCOMPARE(form.palette().brush(QPalette::Window).style(), Qt::SolidPattern);
        const QImage image = form.grab().toImage();
        QCOMPARE(blueAt(image, 0, 0), 127);
        QCOMPARE(blueAt(image, 199, 299), 127);
    }

    void fadeStaysWhenTheFormRepaints()
    {
        OVObject o;
        QWidget form;
        form.resize(120, 300);
        o.FadeForm(&form, OVObject::objFadeVertical);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.repaint();
        const QImage image = form.grab().toImage();
        QCOMPARE(blueAt(image, 10, 299), 0);
        QCOMPARE(blueAt(image, 10, 10), 255);
    }

    void fadeIgnoresWhatIsNoForm()
    {
        OVObject o;
        QWidget form;
        auto* child = new QLabel(&form);
        o.FadeForm(child, OVObject::objFadeSolidBlue);
        o.FadeForm(nullptr, OVObject::objFadeVertical);
        QVERIFY(!child->autoFillBackground());
        QVERIFY(child->palette().color(QPalette::Window) != QColor(0, 0, 127));
    }

    // --- message box -------------------------------------------------------

    void messagePersoIconAndTitle_data()
    {
        QTest::addColumn<QVariant>("imageType");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("shownTitle");
        const QString library = "Orvak Object Library 1.0.3";
        QTest::newRow("critical") << QVariant(16) << "T" << int(QMessageBox::Critical) << "T";
        QTest::newRow("question") << QVariant(32) << "T" << int(QMessageBox::Question) << "T";
        QTest::newRow("exclamation") << QVariant(48) << "T" << int(QMessageBox::Warning) << "T";
        QTest::newRow("information") << QVariant(64) << "T" << int(QMessageBox::Information) << "T";
        QTest::newRow("zero is information")
            << QVariant(0) << "T" << int(QMessageBox::Information) << "T";
        QTest::newRow("80 is information")
            << QVariant(80) << "T" << int(QMessageBox::Information) << "T";
        QTest::newRow("text is information")
            << QVariant("abc") << "T" << int(QMessageBox::Information) << "T";
        QTest::newRow("numeric text counts")
            << QVariant("48") << "T" << int(QMessageBox::Warning) << "T";
        QTest::newRow("numeric text with decimals counts")
            << QVariant("16.0") << "T" << int(QMessageBox::Critical) << "T";
        QTest::newRow("fraction near 16 is information")
            << QVariant(15.6) << "T" << int(QMessageBox::Information) << "T";
        QTest::newRow("fraction near 32 is information")
            << QVariant(32.4) << "T" << int(QMessageBox::Information) << "T";
        QTest::newRow("empty title is the library's")
            << QVariant(64) << "" << int(QMessageBox::Information) << library;
    }
    void messagePersoIconAndTitle()
    {
        QFETCH(QVariant, imageType);
        QFETCH(QString, title);
        QFETCH(int, icon);
        QFETCH(QString, shownTitle);
        OVObject o;
        int seenIcon = -1;
        QString seenTitle;
        QString seenText;
        whenModalShown([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            seenIcon = box->icon();
            seenTitle = box->windowTitle();
            seenText = box->text();
            QCOMPARE(box->buttons().size(), 1);
            box->button(QMessageBox::Ok)->click();
        });
        o.MessagePerso(title, "<i>Saved.</i>", imageType);
        QCOMPARE(seenIcon, icon);
        QCOMPARE(seenTitle, shownTitle);
        QCOMPARE(seenText, QString("<i>Saved.</i>"));
    }

    void messagePersoNeedsTheGuiThread()
    {
        std::optional<quint32> raised;
        std::thread worker([&raised] {
            try {
                OVObject().MessagePerso("t", "m", 64);
            } catch (const AutomationError& e) {
                raised = e.number();
            }
        });
        worker.join();
        QCOMPARE(raised, std::optional<quint32>(0x800A0169));
    }

    // --- numeric keys ------------------------------------------------------

    void setNumericData_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("digit passes") << "" << int('5') << int('5');
        QTest::newRow("letter is swallowed") << "" << int('a') << 0;
        QTest::newRow("minus is swallowed") << "" << int('-') << 0;
        QTest::newRow("space passes") << "" << 32 << 32;
        QTest::newRow("backspace passes") << "12" << 8 << 8;
        QTest::newRow("comma becomes a dot") << "" << int(',') << int('.');
        QTest::newRow("comma after a dot is swallowed") << "3.1" << int(',') << 0;
        QTest::newRow("first dot passes") << "3" << int('.') << int('.');
        QTest::newRow("second dot is swallowed") << "3.1" << int('.') << 0;
        QTest::newRow("brace is examined") << "" << 125 << 0;
        QTest::newRow("tilde passes") << "" << 126 << 126;
        QTest::newRow("accented letter passes") << "" << 0xE9 << 0xE9;
    }
    void setNumericData()
    {
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(int, expected);
        QLineEdit box(text);
        OVObject o;
        QCOMPARE(int(o.SetNumericData(&box, qint16(key))), expected);
    }

    void setNumericDataWithoutATextGivesZero()
    {
        OVObject o;
        QWidget noText;
        QCOMPARE(o.SetNumericData(&noText, '5'), qint16(0));
        QCOMPARE(o.SetNumericData(nullptr, '5'), qint16(0));
        QCOMPARE(o.SetNumericData(&noText, 8), qint16(0));
    }

    void acceptNumeric_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("seven") << int('7') << "7";
        QTest::newRow("zero") << int('0') << "0";
        QTest::newRow("nine") << int('9') << "9";
        QTest::newRow("dot") << int('.') << "";
        QTest::newRow("comma") << int(',') << "";
        QTest::newRow("negative") << -55 << "";
    }
    void acceptNumeric()
    {
        QFETCH(int, key);
        QFETCH(QString, expected);
        OVObject o;
        QCOMPARE(o.AcceptNumeric(qint16(key)), expected);
    }
};

QTEST_MAIN(tst_OVObjectForms)
#include "tst_ovobject_forms.moc"
