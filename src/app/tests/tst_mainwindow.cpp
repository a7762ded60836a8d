#include "AppFixture.h"
#include "ReadOnlyFolder.h"
#include "app/flows/ListImportFlow.h"
#include "app/widgets/CatalogueView.h"
#include "base/ListFolder.h"
#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "compat/Twips.h"
#include "compat/registry/ClassRegistry.h"
#include "desktop/ActiveWindow.h"
#include "lists/UserListStore.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QToolButton>

#include <sqlite3.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <sys/stat.h>

namespace {

// The localizer in one language, to read the texts the window should show.
std::unique_ptr<ZunoSmiley1> texts(int language)
{
    auto localizer = std::make_unique<ZunoSmiley1>();
    localizer->setLanguage(static_cast<ZunoSmiley1::LanguageConstants>(language));
    return localizer;
}

// The built-in entries as the catalogue control reports them.
QStringList builtIns(int list, int language)
{
    QStringList out;
    auto collect = [&out](const QString& text, const QString& description, qint16) {
        out << text + QStringLiteral(" | ") + description + QStringLiteral(" | Table");
    };
    if (list == 0) {
        OVSmiley control;
        QObject::connect(&control, &OVSmiley::NextSmiley, collect);
        control.setLanguage(language);
        control.LoadTable();
    } else {
        OVAcronym control;
        QObject::connect(&control, &OVAcronym::NextAcronym, collect);
        control.setLanguage(language);
        control.LoadTable();
    }
    return out;
}

void chooseLanguage(frmMain* w, int code)
{
    const int row = AppFixture::control<QComboBox>(w, "CLanguage")->findData(code);
    QVERIFY(row >= 0);
    AppFixture::control<QComboBox>(w, "CLanguage")->setCurrentIndex(row);
    Q_EMIT AppFixture::control<QComboBox>(w, "CLanguage")->activated(row);
}

} // namespace

class tst_MainWindow : public QObject
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

    // The road of one entry: from the list file into the list behind the
    // built-in entries; a close with no change leaves the file as it was, and
    // the first change writes what the list shows.
    void userEntriesComeBackFromTheListFile()
    {
        AppFixture app;
        const QString builtIn = builtIns(0, 1).first().section(" | ", 0, 0);
        const QByteArray file = "\"<:o)\",\"Clown\"\r\n"
                                "\"" +
                                builtIn.toUtf8() +
                                "\",\"same as a built-in\"\r\n"
                                "\"  ;^) \",\"kept with its blanks\"\r\n"
                                "\" <:O) \",\"an earlier line, other case and blanks\"\r\n"
                                "\"a\"b,c\",\"quote and comma\"\r\n"
                                "\"\t<:o)\",\"a tab is no blank\"\r\n";
        QVERIFY(AppFixture::writeFile(app.listPath("Smileys.smy"), file));
        QVERIFY(AppFixture::writeFile(app.listPath("Acronyms.acr"), "\"CU\",\"See you\"\n"
                                                                    "\"cu\",\"again\"\n"));
        frmMain* w = app.start();
        const int builtInCount = int(builtIns(0, 1).size());
        QCOMPARE(
            AppFixture::rows(w->page(0)->model()).mid(builtInCount),
            QStringList({"<:o) | Clown | File", "  ;^)  | kept with its blanks | File",
                         "a\"b,c | quote and comma | File", "\t<:o) | a tab is no blank | File"}));
        const QModelIndex user = w->page(0)->model()->index(builtInCount, 0);
        QCOMPARE(user.data(CatalogueListModel::IconKeyRole).toString(), QString("Smiley2"));
        QCOMPARE(AppFixture::rows(w->page(1)->model(), true), QStringList{"CU | See you | File"});

        w = app.restart();
        QCOMPARE(AppFixture::readAll(app.listPath("Smileys.smy")), file);
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true).size(), 4);
        QVERIFY(w->page(0)->addUserEntry("(new)", "typed"));
        QVERIFY(w->page(1)->removeUserEntry("CU"));
        QVERIFY(app.close());
        QCOMPARE(AppFixture::readAll(app.listPath("Smileys.smy")),
                 QByteArray("\"<:o)\",\"Clown\"\r\n"
                            "\"  ;^) \",\"kept with its blanks\"\r\n"
                            "\"a\"b,c\",\"quote and comma\"\r\n"
                            "\"\t<:o)\",\"a tab is no blank\"\r\n"
                            "\"(new)\",\"typed\"\r\n"));
        // The line the first one hid is the list's now.
        QCOMPARE(AppFixture::readAll(app.listPath("Acronyms.acr")),
                 QByteArray("\"cu\",\"again\"\r\n"));
    }

    void aListFileFromWindowsKeepsItsAccents()
    {
        AppFixture app;
        QVERIFY(AppFixture::writeFile(app.listPath("Acronyms.acr"),
                                      "\"A+\",\"\xC0 plus tard, d\xE9j\xE0\"\r\n"));
        frmMain* w = app.start();
        QCOMPARE(AppFixture::rows(w->page(1)->model(), true),
                 QStringList{"A+ | À plus tard, déjà | File"});
        QVERIFY(w->page(1)->addUserEntry("B+", "Bien"));
        QVERIFY(app.close());
        QCOMPARE(AppFixture::readAll(app.listPath("Acronyms.acr")),
                 QString("\"A+\",\"À plus tard, déjà\"\r\n\"B+\",\"Bien\"\r\n").toUtf8());
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

    void closingFromTheMinimizedWindowSavesAlike()
    {
        AppFixture app;
        AppFixture::storeLanguage("2");
        frmMain* w = app.start();
        QVERIFY(w->page(1)->addUserEntry("QQZ", "mine"));
        w->showMinimized();
        const QPointer<UserListStore> store = w->store(1);
        QVERIFY(app.close());
        QCOMPARE(AppFixture::storedLanguage(), QString("2"));
        QCOMPARE(AppFixture::readAll(app.listPath("Acronyms.acr")),
                 QByteArray("\"QQZ\",\"mine\"\r\n"));
        // The closed window and its stores are destroyed when the program ends.
        app.end();
        QVERIFY(!store);
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

    // A change that cannot be written is reported at once, with the reason
    // the system gave for the call that failed, in the window's language;
    // nothing is lost, and the close writes it once the place takes it.
    void aFailedSaveIsReportedAndLosesNothing_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<QString>("french");
        QTest::addColumn<QString>("english");
        QTest::newRow("read-only folder") << false << "le support est en lecture seule"
                                          << "the file system is read-only";
        // The lock file is the first write to fail.
        QTest::newRow("full disk") << true << "le disque est plein"
                                   << "the disk is full";
    }
    void aFailedSaveIsReportedAndLosesNothing()
    {
        QFETCH(bool, diskFull);
        QFETCH(QString, french);
        QFETCH(QString, english);
        AppFixture app;
        QTemporaryDir lists;
        std::optional<PrivateMount> disk;
        if (diskFull) {
            disk.emplace(PrivateMount::smallDisk(lists.path(), 64));
            ZUNO_REQUIRE_MOUNT(*disk);
        }
        const QByteArray before = "\"mine\",\"typed last week\"\r\n";
        QVERIFY(AppFixture::writeFile(lists.filePath("Smileys.smy"), before));
        frmMain* w = app.start(lists.path());
        QString why;
        if (diskFull) {
            QFile filler(lists.filePath("filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        } else if (!makeFolderReadOnly(lists.path(), &why)) {
            QSKIP(qPrintable(why));
        }
        QVERIFY(w->page(0)->addUserEntry("new", "typed today"));
        // The user is told at once, in the window's language.
        QTRY_COMPARE(MessageBox::noticeCount(), 1);
        QVERIFY2(MessageBox::lastNotice().contains(french), qPrintable(MessageBox::lastNotice()));
        chooseLanguage(w, 2);
        QVERIFY(w->page(0)->addUserEntry("newer", "typed in English"));

        MessageBox::setNextAnswer(MessageBox::KeepOpen);
        QVERIFY(!app.close());
        QCOMPARE(MessageBox::askedCount(), 1);
        QVERIFY(MessageBox::lastText().contains(lists.filePath("Smileys.smy")));
        QVERIFY2(MessageBox::lastText().contains(english), qPrintable(MessageBox::lastText()));
        QVERIFY(w->isVisible());
        QVERIFY(!w->isMinimized());
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true).size(), 3);

        // Once the place accepts files again, the next close saves all.
        if (diskFull)
            QVERIFY(QFile::remove(lists.filePath("filler")));
        else
            releaseFolder(lists.path());
        QVERIFY(app.close());
        QCOMPARE(AppFixture::readAll(lists.filePath("Smileys.smy")),
                 before + "\"new\",\"typed today\"\r\n\"newer\",\"typed in English\"\r\n");
    }

    void closingAnywayKeepsThePreviousFile()
    {
        AppFixture app;
        QTemporaryDir lists;
        const QByteArray before = "\"mine\",\"typed last week\"\r\n";
        QVERIFY(AppFixture::writeFile(lists.filePath("Smileys.smy"), before));
        frmMain* w = app.start(lists.path());
        QString why;
        if (!makeFolderReadOnly(lists.path(), &why))
            QSKIP(qPrintable(why));
        QVERIFY(w->page(0)->removeUserEntry("mine"));
        MessageBox::setNextAnswer(MessageBox::CloseAnyway);
        const bool closed = app.close();
        releaseFolder(lists.path());
        QVERIFY(closed);
        QCOMPARE(AppFixture::readAll(lists.filePath("Smileys.smy")), before);
    }

    void listsMoveToTheDataFolderWhenTheProgramsIsReadOnly()
    {
        QTemporaryDir root;
        QVERIFY(AppFixture::writeFile(root.filePath("file"), "a regular file"));
        const QString data = ListFolder::userDataFolder();
        QDir(data).removeRecursively();
        {
            ModZunoSmiley mod(root.filePath("file/bin/ZunoSmiley"));
            QCOMPARE(mod.listFolder(), data);
            mod.Main();
            QVERIFY(mod.MainWindow->page(1)->addUserEntry("QQZ", "not built in"));
            QVERIFY(mod.MainWindow->close());
        }
        QCOMPARE(AppFixture::readAll(data + "/Acronyms.acr"),
                 QByteArray("\"QQZ\",\"not built in\"\r\n"));
        ModZunoSmiley again(root.filePath("file/bin/ZunoSmiley"));
        again.Main();
        QCOMPARE(AppFixture::rows(again.MainWindow->page(1)->model(), true),
                 QStringList{"QQZ | not built in | File"});
    }

    // A program folder that cannot be written but holds the user's lists: the
    // first start with the data folder copies them there, never over a list
    // already there, leaves the originals as they are and says once where
    // the lists now live.
    void listsOfAReadOnlyProgramFolderAreCopiedOnce()
    {
        AppFixture app;
        QTemporaryDir program;
        const QByteArray mine = "\"mine\",\"beside the program\"\r\n";
        const QByteArray theirs = "\"QQZ\",\"already in the data folder\"\r\n";
        QVERIFY(AppFixture::writeFile(program.filePath("Smileys.smy"), mine));
        QVERIFY(AppFixture::writeFile(program.filePath("Acronyms.acr"), "\"QQY\",\"old\"\r\n"));
        const QString data = ListFolder::userDataFolder();
        QDir(data).removeRecursively();
        QVERIFY(AppFixture::writeFile(data + "/Acronyms.acr", theirs));
        QString why;
        if (!makeFolderReadOnly(program.path(), &why))
            QSKIP(qPrintable(why));
        {
            // A start that hands its command line to another window copies nothing, says nothing.
            ModZunoSmiley loser(program.filePath("ZunoSmiley"));
            loser.setOwnsWindow([] { return false; });
            loser.LoadMainWindow();
            QCOMPARE(MessageBox::noticeCount(), 0);
            QVERIFY(!QFileInfo::exists(data + "/Smileys.smy"));
        }
        for (int start = 1; start <= 2; ++start) {
            ModZunoSmiley mod(program.filePath("ZunoSmiley"));
            mod.Main();
            QCOMPARE(mod.listFolder(), data);
            QCOMPARE(MessageBox::noticeCount(), 1);
            QVERIFY(MessageBox::lastNotice().endsWith("dans « " + data + " »."));
            QVERIFY(AppFixture::rows(mod.MainWindow->page(0)->model(), true)
                        .startsWith("mine | beside the program | File"));
            QCOMPARE(AppFixture::rows(mod.MainWindow->page(1)->model(), true),
                     QStringList{"QQZ | already in the data folder | File"});
            if (start == 1)
                QVERIFY(mod.MainWindow->page(0)->addUserEntry("(new)", "typed today"));
            QVERIFY(mod.MainWindow->close());
        }
        releaseFolder(program.path());
        QCOMPARE(AppFixture::readAll(program.filePath("Smileys.smy")), mine);
        QCOMPARE(AppFixture::readAll(data + "/Smileys.smy"),
                 mine + "\"(new)\",\"typed today\"\r\n");
        QCOMPARE(AppFixture::readAll(data + "/Acronyms.acr"), theirs);
    }

    void aTerminationRequestClosesAndSaves()
    {
        AppFixture app;
        frmMain* w = app.start();
        app.mod().watchForTermination();
        QVERIFY(w->page(0)->addUserEntry("(8-)", "saved on SIGTERM"));
        QPointer<frmMain> window = w;
        ::raise(SIGTERM);
        QTRY_VERIFY(!window || !window->isVisible());
        QCOMPARE(AppFixture::readAll(app.listPath("Smileys.smy")),
                 QByteArray("\"(8-)\",\"saved on SIGTERM\"\r\n"));
        QCOMPARE(AppFixture::storedLanguage(), QString("1"));
    }

    // Another program appends to the list file while the window is open: the
    // entry shows up within a second, the selection stays, and the close
    // keeps it.
    void anEntryAddedOutsideShowsUpAndStays()
    {
        AppFixture app;
        QVERIFY(AppFixture::writeFile(app.listPath("Acronyms.acr"), "\"QQZ\",\"mine\"\r\n"));
        frmMain* w = app.start();
        const int row = w->page(1)->model()->rowCount() - 1;
        w->page(1)->view()->setCurrentIndex(
            w->page(1)->sortedModel()->mapFromSource(w->page(1)->model()->index(row, 0)));
        QFile file(app.listPath("Acronyms.acr"));
        QVERIFY(file.open(QIODevice::Append));
        file.write("\"QQY\",\"from a text editor\"\r\n");
        file.close();
        QTRY_COMPARE_WITH_TIMEOUT(
            AppFixture::rows(w->page(1)->model(), true),
            QStringList({"QQZ | mine | File", "QQY | from a text editor | File"}), 1000);
        QCOMPARE(w->page(1)->view()->selectedSourceRow(), row);
        QVERIFY(app.close());
        QCOMPARE(AppFixture::readAll(app.listPath("Acronyms.acr")),
                 QByteArray("\"QQZ\",\"mine\"\r\n\"QQY\",\"from a text editor\"\r\n"));
    }

    // A long list changed outside in its last line only: the window, which
    // compares its rows with the file's a slice per turn, still takes it.
    void aLongListChangedOutsideInItsLastLineFollows()
    {
        AppFixture app;
        QByteArray lines;
        for (int i = 0; i < 100000; ++i)
            lines += "\"(l" + QByteArray::number(i) + ")\",\"long\"\r\n";
        QVERIFY(AppFixture::writeFile(app.listPath("Smileys.smy"), lines));
        const CatalogueListModel* model = app.start()->page(0)->model();
        QCOMPARE(model->description(model->rowCount() - 1), u"long");
        lines.chop(qsizetype(sizeof("long\"\r\n")) - 1);
        QVERIFY(AppFixture::writeFile(app.listPath("Smileys.smy"), lines + "changed\"\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(model->description(model->rowCount() - 1).toString(),
                                  QString("changed"), 5000);
    }

    // The close writes the window's entries only over the file as the load
    // found it: a line another program added a moment before, which the
    // window has not seen yet, stays.
    void anEntryAddedOutsideJustBeforeTheCloseStays()
    {
        AppFixture app;
        QVERIFY(AppFixture::writeFile(app.listPath("Acronyms.acr"), "\"QQZ\",\"mine\"\r\n"));
        app.start();
        QFile file(app.listPath("Acronyms.acr"));
        QVERIFY(file.open(QIODevice::Append));
        file.write("\"QQY\",\"from a text editor\"\r\n");
        file.close();
        QVERIFY(app.close());
        QCOMPARE(AppFixture::readAll(app.listPath("Acronyms.acr")),
                 QByteArray("\"QQZ\",\"mine\"\r\n\"QQY\",\"from a text editor\"\r\n"));
    }

    // List files that are links to a device or a named pipe are never
    // written: the user is told which file and why, and every entry stays in
    // the window. A settings file of that kind is set aside (the link kept
    // beside it) and the close writes a sound one.
    void filesThatAreNoRegularFilesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("a link to a character device") << "device";
        QTest::newRow("a link to a named pipe") << "pipe";
    }
    void filesThatAreNoRegularFilesAreLeftAlone()
    {
        QFETCH(QString, what);
        AppFixture app;
        QTemporaryDir elsewhere;
        QString target = "/dev/null";
        if (what == "pipe") {
            target = elsewhere.filePath("pipe");
            QVERIFY(::mkfifo(QFile::encodeName(target).constData(), 0600) == 0);
        }
        const QString settings = SettingsStore::fileName();
        QVERIFY(QDir().mkpath(QFileInfo(settings).path()));
        const QStringList links{app.listPath("Smileys.smy"), app.listPath("Acronyms.acr")};
        for (const QString& link : links + QStringList{settings})
            QVERIFY(QFile::link(target, link));

        // Opening a pipe that has no writer would keep the start for good; a
        // device that reads without end, until the reader's limit.
        QElapsedTimer shown;
        shown.start();
        frmMain* w = app.start();
        QVERIFY2(shown.elapsed() < 10000, qPrintable(QString::number(shown.elapsed())));
        QVERIFY(w->page(0)->addUserEntry("(8-)", "typed today"));
        QTRY_COMPARE(MessageBox::noticeCount(), 1);
        QVERIFY(MessageBox::lastNotice().startsWith("« " + app.listPath("Smileys.smy") +
                                                    " » n'est pas un fichier ordinaire"));
        MessageBox::setNextAnswer(MessageBox::KeepOpen);
        QVERIFY(!app.close());
        // Only the list with a change of the user's is written, or asked of.
        QVERIFY2(MessageBox::lastText().contains(links.first() +
                                                 " » n'a pas pu être enregistré : ce "
                                                 "n'est pas un fichier ordinaire"),
                 qPrintable(MessageBox::lastText()));
        QVERIFY(!MessageBox::lastText().contains(links.last()));
        QVERIFY(!MessageBox::lastText().contains(settings));
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true),
                 QStringList{"(8-) | typed today | File"});
        MessageBox::setNextAnswer(MessageBox::CloseAnyway);
        QVERIFY(app.close());
        for (const QString& link : links)
            QCOMPARE(QFile::symLinkTarget(link), target);
        const QString keptSettings =
            settings + ".damaged-" + QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(QFile::symLinkTarget(keptSettings), target);
        QCOMPARE(AppFixture::storedLanguage(), QString("1"));
        QVERIFY(QFileInfo(target).exists() && !QFileInfo(target).isFile());
        QFile::remove(settings);
        QFile::remove(keptSettings);
    }

    // A list file the window reads only in part (a line over the reader's
    // limit, damaged bytes) is never written over: a close without a change
    // leaves it alone, and before the first change is written it is set
    // aside whole beside itself; what the window read, with the change,
    // takes its place.
    void aListFileReadInPartIsSetAsideBeforeItIsWritten_data()
    {
        QTest::addColumn<QByteArray>("rest");
        QTest::newRow("a line over the limit")
            << "\"" + QByteArray(UserListReader::MaxLineLength, 'x') + "\",\"long\"\n";
        QTest::newRow("damaged bytes") << QByteArray("\"da\0ma\x01ged\",\"\xff\xfe\"\r\n", 18);
    }
    void aListFileReadInPartIsSetAsideBeforeItIsWritten()
    {
        QFETCH(QByteArray, rest);
        AppFixture app;
        QTemporaryDir lists;
        const QString path = lists.filePath("Smileys.smy");
        const QByteArray before = "\"mine\",\"kept\"\r\n" + rest;
        QVERIFY(AppFixture::writeFile(path, before));
        app.start(lists.path());
        frmMain* w = app.restart();
        QCOMPARE(MessageBox::askedCount(), 0);
        QCOMPARE(MessageBox::noticeCount(), 0);
        QVERIFY(AppFixture::readAll(path) == before);

        QVERIFY(w->page(0)->addUserEntry("(new)", "typed"));
        const QString aside = path + ".damaged-" + QDate::currentDate().toString(Qt::ISODate);
        QTRY_VERIFY(QFileInfo::exists(aside));
        QTRY_COMPARE(AppFixture::readAll(path),
                     QByteArray("\"mine\",\"kept\"\r\n\"(new)\",\"typed\"\r\n"));
        QVERIFY(AppFixture::readAll(aside) == before);
        QVERIFY(app.close());
        QCOMPARE(MessageBox::askedCount(), 0);
        QCOMPARE(MessageBox::noticeCount(), 0);
        QCOMPARE(QDir(lists.path()).entryList(QDir::Files).size(), 2);
    }

    // Something that is not this program's at the lock's name, or a link to
    // nothing at the list's: the user is told why, the change stays shown
    // and pending, nothing is made where the link points, and the change is
    // saved once the name is freed.
    void aChangeWaitsWhileItsNameIsTaken_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a named pipe at the lock") << "pipe"
                                                  << "pris par autre chose qu'un verrou";
        QTest::newRow("a folder at the lock") << "folder"
                                              << "pris par autre chose qu'un verrou";
        QTest::newRow("a link to nothing at the list")
            << "dangling"
            << "un lien vers un fichier qui n'existe pas";
    }
    void aChangeWaitsWhileItsNameIsTaken()
    {
        QFETCH(QString, what);
        QFETCH(QString, reason);
        AppFixture app;
        QTemporaryDir lists, elsewhere;
        const QString path = lists.filePath("Smileys.smy");
        const QString lock = path + ".lock";
        const QString target = elsewhere.filePath("missing/Smileys.smy");
        if (what == "pipe")
            QVERIFY(::mkfifo(QFile::encodeName(lock).constData(), 0600) == 0);
        else if (what == "folder")
            QVERIFY(QDir().mkdir(lock));
        else
            QVERIFY(QFile::link(target, path));
        frmMain* w = app.start(lists.path());
        QVERIFY(w->page(0)->addUserEntry("(8-)", "typed"));
        QTRY_COMPARE(MessageBox::noticeCount(), 1);
        QVERIFY2(MessageBox::lastNotice().contains(reason), qPrintable(MessageBox::lastNotice()));
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true), QStringList{"(8-) | typed | File"});
        QVERIFY(!QFileInfo::exists(QFileInfo(target).path()));

        QVERIFY(what == "folder" ? QDir().rmdir(lock)
                                 : QFile::remove(what == "pipe" ? lock : path));
        QTRY_COMPARE_WITH_TIMEOUT(AppFixture::readAll(path), QByteArray("\"(8-)\",\"typed\"\r\n"),
                                  10000);
        QVERIFY(app.close());
        QCOMPARE(MessageBox::askedCount(), 0);
        QCOMPARE(MessageBox::noticeCount(), 1);
    }

    // The window never writes a list its reader would take only in part: an
    // Add that would cross the limit is refused and stays shown, holds back
    // none of the changes after it, and is saved once the file has room.
    void anAddOverTheSizeLimitWaitsForRoom()
    {
        AppFixture app;
        QTemporaryDir lists;
        const QString path = lists.filePath("Smileys.smy");
        // A short line, then lines of a million bytes up to 5 bytes under
        // the limit.
        const qint64 size = UserListReader::MaxFileSize - 5;
        QByteArray bytes = "\"ab\",\"cdefgh\"\r\n";
        for (int i = 0; bytes.size() < size; ++i) {
            const qsizetype length = std::min<qsizetype>(1000000, size - bytes.size() - 11);
            bytes += "\"" + QByteArray::number(100 + i) + QByteArray(length, 'x') + "\",\"d\"\r\n";
        }
        QCOMPARE(bytes.size(), size);
        QVERIFY(AppFixture::writeFile(path, bytes));
        frmMain* w = app.start(lists.path());
        const int lines = AppFixture::rows(w->page(0)->model(), true).size();

        // Each refusal is told; the file is left as it is.
        QVERIFY(w->page(0)->addUserEntry("(8-)", "typed"));
        QTRY_COMPARE_WITH_TIMEOUT(MessageBox::noticeCount(), 1, 20000);
        QVERIFY2(MessageBox::lastNotice().contains("il deviendrait plus grand"),
                 qPrintable(MessageBox::lastNotice()));
        QVERIFY(w->page(0)->addUserEntry("(9-)", "typed"));
        QTRY_COMPARE_WITH_TIMEOUT(MessageBox::noticeCount(), 2, 20000);
        QCOMPARE(QFileInfo(path).size(), size);
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true).size(), lines + 2);

        // A Remove behind them is written; the room it makes takes one Add.
        QVERIFY(w->page(0)->removeUserEntry("ab"));
        QTRY_VERIFY_WITH_TIMEOUT(AppFixture::readAll(path).endsWith("\"(8-)\",\"typed\"\r\n"),
                                 20000);
        QVERIFY(!AppFixture::readAll(path).startsWith("\"ab\""));
        QCOMPARE(QFileInfo(path).size(), size - 15 + 16);

        QVERIFY(w->page(0)->removeUserEntry("100" + QString(1000000, 'x')));
        QTRY_VERIFY_WITH_TIMEOUT(AppFixture::readAll(path).endsWith("\"(9-)\",\"typed\"\r\n"),
                                 20000);
        w = app.restart();
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true).size(), lines);
        QCOMPARE(MessageBox::askedCount(), 0);
    }

    // Requests that come while the close is saving or asking wait for it;
    // after "Keep open" the next request closes again.
    void terminationRequestsWaitAndComeAgainAfterKeepOpen()
    {
        AppFixture app;
        QTemporaryDir lists;
        frmMain* w = app.start(lists.path());
        QPointer<frmMain> window = w;
        app.mod().watchForTermination();
        QString why;
        if (!makeFolderReadOnly(lists.path(), &why))
            QSKIP(qPrintable(why));
        QVERIFY(w->page(0)->addUserEntry("(8-)", "kept in memory"));
        MessageBox::setNextAnswer(MessageBox::KeepOpen);
        ::raise(SIGTERM);
        ::raise(SIGTERM);
        QTRY_COMPARE(MessageBox::askedCount(), 1);
        QTest::qWait(50);
        QVERIFY(window && window->isVisible());

        releaseFolder(lists.path());
        MessageBox::setNextAnswer(MessageBox::CloseAnyway);
        ::raise(SIGTERM);
        QTRY_VERIFY(!window || !window->isVisible());
        QCOMPARE(AppFixture::readAll(lists.filePath("Smileys.smy")),
                 QByteArray("\"(8-)\",\"kept in memory\"\r\n"));
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

    // Imported entries come in by the Add's rule (against the list, the
    // built-in entries and the files before), as one run of rows, and are
    // saved; one report tells of every file.
    void anImportComesInAsOneRun()
    {
        AppFixture app;
        QTemporaryDir lists, docs;
        const QString builtIn = builtIns(0, 1).first().section(" | ", 0, 0);
        QVERIFY(AppFixture::writeFile(docs.filePath("a.smy"), "\"8-]\",\"Robot\"\r\n"
                                                              "\" 8-]\",\"blanks\"\r\n\"" +
                                                                  builtIn.toUtf8() +
                                                                  "\",\"built in\"\r\n"
                                                                  "\"(y)\",\"ok\"\r\n"));
        QVERIFY(AppFixture::writeFile(docs.filePath("b.SMY"), "\"(Y)\",\"twice\"\r\n"
                                                              "\"(z)\",\"z\"\r\n"));
        frmMain* w = app.start(lists.path());
        QSignalSpy inserted(w->page(0)->model(), &QAbstractItemModel::rowsInserted);
        w->importListFiles({docs.filePath("a.smy"), docs.filePath("b.SMY")});
        // Added while the files are read: the import meets it all the same.
        w->page(0)->addUserEntry(" (Z)", "typed");
        // A pick asked meanwhile comes after the report, not under it.
        w->pick(ActiveWindow(), "robot");
        QVERIFY(!w->page(0)->filterField()->isVisible());
        QTRY_COMPARE(MessageBox::noticeCount(), 1);
        QTRY_COMPARE(w->page(0)->filterField()->text(), QString("robot"));
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true),
                 QStringList({" (Z) | typed | File", "8-] | Robot | File", "(y) | ok | File"}));
        QVERIFY2(MessageBox::lastNotice().endsWith("b.SMY » : 0 entrée ajoutée, 2 déjà présentes"),
                 qPrintable(MessageBox::lastNotice()));
        QCOMPARE(MessageBox::lastTone(), MessageBox::Tone::News);
        QTRY_COMPARE(AppFixture::readAll(lists.filePath("Smileys.smy")),
                     QByteArray("\" (Z)\",\"typed\"\r\n\"8-]\",\"Robot\"\r\n\"(y)\",\"ok\"\r\n"));
        // Hundreds of files: a summary line and a scrolled list, whatever
        // the screen.
        QStringList many;
        for (int i = 0; i < 300; ++i)
            many << docs.filePath(QString("missing-%1.acr").arg(i));
        w->importListFiles(many);
        QTRY_COMPARE(MessageBox::noticeCount(), 2);
        QVERIFY(MessageBox::lastNotice().startsWith("300 fichiers :\n"));
        QCOMPARE(MessageBox::lastTone(), MessageBox::Tone::Warning);
        QMessageBox* box = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* shown = qobject_cast<QMessageBox*>(top);
                shown && shown->text().startsWith("300"))
                box = shown;
        }
        QVERIFY(box);
        QVERIFY2(box->sizeHint().height() < 600,
                 qPrintable(QString::number(box->sizeHint().height())));
    }

    // A close (the window's own, or at SIGTERM) ends an import under way at
    // once: nothing of it comes in, or is reported, afterwards.
    void aCloseEndsAnImport()
    {
        AppFixture app;
        QTemporaryDir lists, docs;
        QByteArray lines;
        for (int i = 0; i < 100000; ++i)
            lines += "(i" + QByteArray::number(i) + "),x\n";
        QVERIFY(AppFixture::writeFile(docs.filePath("big.smy"), lines));
        frmMain* w = app.start(lists.path());
        w->importListFiles({docs.filePath("big.smy")});
        QVERIFY(app.close());
        QTRY_VERIFY(!w->importFlow()->isBusy());
        QCOMPARE(MessageBox::noticeCount(), 0);
        QCOMPARE(w->page(0)->model()->userEntries().size(), 0);
        QVERIFY(!QFile::exists(lists.filePath("Smileys.smy")));
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

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
