// The window as it starts: its language, its layout and pictures, the list
// file types it registers, and a start that a desktop search hands on.

#include "AppFixture.h"
#include "compat/Twips.h"
#include "compat/registry/ClassRegistry.h"
#include "desktop/ActiveWindow.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>

#include <sqlite3.h>

#include <memory>

using namespace WindowDriving;

namespace {

// The localizer in one language, to read the texts the window should show.
std::unique_ptr<ZunoSmiley1> texts(int language)
{
    auto localizer = std::make_unique<ZunoSmiley1>();
    localizer->setLanguage(static_cast<ZunoSmiley1::LanguageConstants>(language));
    return localizer;
}

} // namespace

class tst_WindowStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setApplicationName("ZunoSmileys");
    }

    void firstStartIsFrenchAndCreatesEmptyLists()
    {
        AppFixture app;
        frmMain* w = app.start();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QString("Orvak Zuno Smileys"));
        QCOMPARE(app.mod().CurrentLanguage, qint16(1));
        QCOMPARE(AppFixture::control<QComboBox>(w, "CLanguage")->currentText(),
                 QString("Français / French"));
        QCOMPARE(AppFixture::control<QComboBox>(w, "CLanguage")->count(), 2);
        QCOMPARE(AppFixture::control<QComboBox>(w, "CLanguage")->itemData(1).toInt(), 2);
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->currentWidget(),
                 AppFixture::control(w, "picSmiley"));
        for (int list = 0; list < 2; ++list) {
            QCOMPARE(AppFixture::rows(w->page(list)->model()), builtIns(list, 1));
            // The smiley list starts on its first entry, a built-in one.
            const QStringList enabled = list == 0 ? QStringList{"Copy", "Add"} : QStringList{"Add"};
            QCOMPARE(AppFixture::enabledButtons(w, list), enabled);
        }
        QVERIFY(!w->page(0)->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

        // A close with no change of the user's writes no list.
        QVERIFY(app.close());
        QCOMPARE(AppFixture::storedLanguage(), QString("1"));
        QVERIFY(!QFileInfo::exists(app.listPath("Smileys.smy")));
        QVERIFY(!QFileInfo::exists(app.listPath("Acronyms.acr")));
    }

    void storedLanguageChoosesTheInterface_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("language");
        QTest::newRow("French") << "1" << 1;
        QTest::newRow("English") << "2" << 2;
        QTest::newRow("zero") << "0" << 2;
        QTest::newRow("three") << "3" << 2;
        QTest::newRow("seven") << "7" << 2;
        QTest::newRow("not a number") << "anglais" << 1;
    }

    void storedLanguageChoosesTheInterface()
    {
        QFETCH(QString, stored);
        QFETCH(int, language);
        AppFixture app;
        AppFixture::storeLanguage(stored);
        frmMain* w = app.start();
        QCOMPARE(int(app.mod().CurrentLanguage), language);
        auto* box = AppFixture::control<QComboBox>(w, "CLanguage");
        QCOMPARE(box->currentData().toInt(), language);
        // Screen readers name the box by its label and say what it shows.
        QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(box);
        QCOMPARE(heard->text(QAccessible::Name), QString("Interface"));
        QCOMPARE(heard->text(QAccessible::Value), box->currentText());
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->tabText(1),
                 texts(language)->ID_INT_ACRONYMS());
        QCOMPARE(AppFixture::rows(w->page(1)->model()), builtIns(1, language));
        QVERIFY(app.close());
        QCOMPARE(AppFixture::storedLanguage(), QString::number(language));
    }

    void switchingTheLanguageRelabelsAndKeepsTheUsersChanges()
    {
        AppFixture app;
        QVERIFY(AppFixture::writeFile(app.listPath("Smileys.smy"),
                                      "\"gone\",\"removed since the start\"\r\n"
                                      "\"kept\",\"from the file\"\r\n"));
        frmMain* w = app.start();
        CatalogueListModel* smileys = w->page(0)->model();
        const int builtInCount = int(builtIns(0, 1).size());
        // Changes made since the start.
        QVERIFY(w->page(0)->removeUserEntry("gone"));
        QVERIFY(w->page(0)->addUserEntry("new", "added since the start"));
        w->page(0)->view()->setCurrentIndex(w->page(0)->sortedModel()->index(builtInCount, 0));
        QCOMPARE(AppFixture::enabledButtons(w, 0), QStringList({"Copy", "Add", "Edit", "Remove"}));

        chooseLanguage(w, 2);
        const auto english = texts(2);
        QCOMPARE(app.mod().CurrentLanguage, qint16(2));
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->tabText(0),
                 english->ID_INT_SMILEYS());
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->tabText(1),
                 english->ID_INT_ACRONYMS());
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->tabText(2),
                 english->ID_INT_ABOUT());
        QCOMPARE(w->page(1)->model()->headerData(0, Qt::Horizontal).toString(), QString("Acronym"));
        QCOMPARE(w->page(0)->model()->headerData(1, Qt::Horizontal).toString(),
                 QString("Description"));
        QCOMPARE(w->page(1)->button(ListPage::Copy)->toolTip(), english->ID_INT_COPY());
        QCOMPARE(w->page(0)->button(ListPage::Remove)->toolTip(), english->ID_INT_DELETE());
        QCOMPARE(AppFixture::control<QLabel>(w, "lblCourtesy")->text(),
                 english->ID_INT_COURTESY(".Net", ""));
        QCOMPARE(w->windowTitle(), QString("Orvak Zuno Smileys"));
        QCOMPARE(AppFixture::control<QGroupBox>(w, "Frame1")->title(), QString("Interface"));
        QCOMPARE(AppFixture::rows(smileys).mid(0, builtInCount), builtIns(0, 2));
        QCOMPARE(AppFixture::rows(w->page(1)->model()), builtIns(1, 2));
        QCOMPARE(
            AppFixture::rows(smileys, true),
            QStringList({"kept | from the file | File", "new | added since the start | File"}));
        // Nothing is selected after the rebuild, and the buttons say so.
        QCOMPARE(w->page(0)->view()->selectedSourceRow(), -1);
        QCOMPARE(AppFixture::enabledButtons(w, 0), QStringList{"Add"});

        chooseLanguage(w, 1);
        QCOMPARE(w->page(1)->model()->headerData(0, Qt::Horizontal).toString(),
                 QString("Acronyme"));
        QVERIFY(app.close());
        QCOMPARE(AppFixture::storedLanguage(), QString("1"));
        QCOMPARE(AppFixture::readAll(app.listPath("Smileys.smy")),
                 QByteArray("\"kept\",\"from the file\"\r\n\"new\",\"added since the start\"\r\n"));
    }

    void choosingTheCurrentLanguageChangesNothing()
    {
        AppFixture app;
        frmMain* w = app.start();
        QSignalSpy resets(w->page(0)->model(), &QAbstractItemModel::modelReset);
        chooseLanguage(w, 1);
        QCOMPARE(resets.count(), 0);
        QVERIFY(!QFile::exists(app.listPath("Smileys.smy")));
    }

    void theTabStripBringsPagesToTheFront()
    {
        AppFixture app;
        frmMain* w = app.start();
        w->TabStrip1_Click(3);
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->currentWidget(),
                 AppFixture::control(w, "picAbout"));
        w->TabStrip1_Click(3);
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->currentWidget(),
                 AppFixture::control(w, "picAbout"));
        w->TabStrip1_Click(0);
        w->TabStrip1_Click(4);
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->currentWidget(),
                 AppFixture::control(w, "picAbout"));
        w->TabStrip1_Click(2);
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->currentWidget(),
                 AppFixture::control(w, "picAcronym"));
    }

    void theLayoutFollowsTheScreenResolution()
    {
        AppFixture app;
        frmMain* w = app.start();
        const Twips twips;
        QCOMPARE(w->size(), twips.size(5520, 6585));
        QCOMPARE(AppFixture::control<QTabWidget>(w, "TabStrip1")->geometry(),
                 twips.rect(120, 120, 5295, 6375));
        QCOMPARE(w->page(0)->view()->geometry(), twips.rect(120, 240, 4215, 5535));
        QCOMPARE(w->page(1)->button(ListPage::Remove)->geometry(),
                 twips.rect(4440, 1680, 495, 375));
        // The logo is drawn when its page is first shown.
        QVERIFY(AppFixture::control<QLabel>(w, "picLogo")->pixmap().isNull());
        w->TabStrip1_Click(3);
        QCOMPARE(
            AppFixture::control<QLabel>(w, "picLogo")->pixmap().deviceIndependentSize().toSize(),
            QSize(136, 36));
        QCOMPARE(AppFixture::control<QLabel>(w, "lblVersion")->text(), QString("Version 1.0.3"));
        QVERIFY(!AppFixture::control<QLabel>(w, "lblDescription")->text().isEmpty());
        QCOMPARE(Twips(96).toPixels(1440), 96);
        QCOMPARE(Twips(144).toPixels(1440), 144);
        QCOMPARE(Twips(96).toPixels(15), 1);
    }

    void theListFileTypesAreRegistered_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("smiley lists") << "ZunoSmileys"
                                      << "Orvak Zuno Smileys - Smileys List";
        QTest::newRow("acronym lists") << "ZunoAcronyms"
                                       << "Orvak Zuno Smileys - Acronyms List";
        QTest::newRow(".smy") << ".smy"
                              << "ZunoSmileys";
        QTest::newRow(".acr") << ".acr"
                              << "ZunoAcronyms";
    }

    void theListFileTypesAreRegistered()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        AppFixture app;
        app.start();
        // Made once the window has been drawn.
        ClassRegistry registry;
        QString stored;
        QTRY_COMPARE(registry.queryDefaultValue(key, 1024, &stored),
                     ClassRegistry::Status::Success);
        QCOMPARE(stored, value);
    }

    // A search the desktop hands on opens the list with the filter holding
    // its words; Enter there types nothing anywhere.
    void aSearchOpensTheFilterWithItsWords()
    {
        AppFixture app;
        frmMain* w = app.start();
        w->pick(ActiveWindow(), "clin");
        QLineEdit* filter = w->page(0)->filterField();
        QCOMPARE(filter->text(), QString("clin"));
        QTRY_VERIFY(filter->isVisible());
        QTest::keyClick(filter, Qt::Key_Return);
        QVERIFY(w->isVisible() && !w->isMinimized());
        QCOMPARE(MessageBox::noticeCount(), 0);
    }

    // A class registry store another process holds keeps neither the window
    // nor the user waiting: an Add is on disk at once, and the registration
    // is made once the store is free.
    void aHeldStoreFreezesNothing()
    {
        AppFixture app;
        QTemporaryDir lists;
        QVERIFY(QDir().mkpath(QFileInfo(ClassRegistry::defaultLocation()).path()));
        sqlite3* holder = nullptr;
        QCOMPARE(
            sqlite3_open(QFile::encodeName(ClassRegistry::defaultLocation()).constData(), &holder),
            SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        // A window that waited for the store would be kept for its give-up
        // (5 s), with this second inside it; the Add takes a moment.
        QElapsedTimer held;
        held.start();
        frmMain* w = app.start(lists.path());
        QTest::qWait(1000);
        QVERIFY(w->page(0)->addUserEntry("(8-)", "typed"));
        QTRY_COMPARE_WITH_TIMEOUT(AppFixture::readAll(lists.filePath("Smileys.smy")),
                                  QByteArray("\"(8-)\",\"typed\"\r\n"), 1000);
        QVERIFY2(held.elapsed() < 3000, qPrintable(QString::number(held.elapsed())));
        QCOMPARE(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(holder);
        ClassRegistry registry;
        QString stored;
        QTRY_COMPARE(registry.queryDefaultValue("ZunoSmileys", 1024, &stored),
                     ClassRegistry::Status::Success);
    }

    // The document icons name the program file itself, whatever its name.
    void theDocumentIconsNameTheProgramFile_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("plain name") << "ZunoSmiley";
        QTest::newRow("a dot in the name") << "Zuno.Smiley-1.0";
    }

    void theDocumentIconsNameTheProgramFile()
    {
        QFETCH(QString, program);
        QTemporaryDir folder;
        ModZunoSmiley mod(folder.filePath(program));
        mod.RegisterListFileTypes();
        const QString executable = QDir::toNativeSeparators(folder.filePath(program));
        const QStringList expected{
            "ZunoSmileys\\DefaultIcon=" + executable + ",1", "ZunoSmileys\\QuickView=*",
            "ZunoAcronyms\\DefaultIcon=" + executable + ",2", "ZunoAcronyms\\QuickView=*"};
        ClassRegistry registry;
        QStringList stored;
        for (const QString key : {"ZunoSmileys\\DefaultIcon", "ZunoSmileys\\QuickView",
                                  "ZunoAcronyms\\DefaultIcon", "ZunoAcronyms\\QuickView"}) {
            QString value;
            registry.queryDefaultValue(key, 1024, &value);
            stored << key + "=" + value;
        }
        QCOMPARE(stored, expected);

        // The desktop's registries: the program's entry opens both types,
        // and the document icons are the program's pictures.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QFile entry(data + "/applications/example.orvak.ZunoSmiley.desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        QVERIFY2(text.contains("MimeType=application/x-zunosmileys;application/x-zunoacronyms;"),
                 text.constData());
        QVERIFY(text.contains(QFile::encodeName(folder.filePath(program))));
        for (const QString icon :
             {"mimetypes/application-x-zunosmileys.svg", "mimetypes/application-x-zunoacronyms.svg",
              "apps/example.orvak.ZunoSmiley.svg"})
            QVERIFY2(QFile::exists(data + "/icons/hicolor/scalable/" + icon), qPrintable(icon));
    }

    // The pictures drawn when the program was built are in its resources:
    // one left out would show as nothing.
    void theWindowShowsItsPictures()
    {
        AppFixture app;
        frmMain* w = app.start();
        QVERIFY(w->windowIcon().availableSizes().contains(QSize(128, 128)));
        for (int list = 0; list < 2; ++list) {
            const QModelIndex first = w->page(list)->view()->model()->index(0, 0);
            QVERIFY(!first.data(Qt::DecorationRole).value<QIcon>().pixmap(16).isNull());
        }
        for (const QToolButton* button : w->findChildren<QToolButton*>()) {
            if (button->objectName().startsWith("cmd"))
                QVERIFY2(!button->icon().pixmap(16).isNull(), qPrintable(button->objectName()));
        }
    }

    void thePointerIsNormalOnceTheWindowIsShown()
    {
        AppFixture app;
        app.start();
        QTRY_VERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(tst_WindowStartup)
#include "tst_windowstartup.moc"
