// The window and its list files: what it loads, what its close and a
// termination request save, what other programs change meanwhile, and the
// lists it imports.

#include "AppFixture.h"
#include "app/flows/ListImportFlow.h"
#include "desktop/ActiveWindow.h"
#include "lists/UserListStore.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QSignalSpy>

#include <csignal>

using namespace WindowDriving;

class tst_WindowListFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setApplicationName("ZunoSmileys");
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

    // Cancel while the rows come in, the filter closed or open: the rows in
    // stay, are shown as the filter has them, and the list file holds its
    // own lines, then those rows in their order; so does an import that ends.
    // The list is longer than a first slice, which is then held out of view
    // (CatalogueFilter::holdRuns).
    void anImportShowsAndKeepsTheRowsIn_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled, filter closed") << "" << 100000 << true;
        QTest::newRow("cancelled, filter open") << "imported" << 100000 << true;
        QTest::newRow("whole, filter open") << "imported" << 100 << false;
    }
    void anImportShowsAndKeepsTheRowsIn()
    {
        QFETCH(QString, typed);
        QFETCH(int, entries);
        QFETCH(bool, cancel);
        AppFixture app;
        QTemporaryDir docs;
        QByteArray own;
        for (int i = 0; i < 10000; ++i)
            own += "\"(o" + QByteArray::number(i) + ")\",\"mine\"\r\n";
        QVERIFY(AppFixture::writeFile(app.listPath("Smileys.smy"), own));
        QByteArray lines;
        for (int i = 0; i < entries; ++i)
            lines += "\"(i" + QByteArray::number(i) + ")\",\"imported\"\r\n";
        QVERIFY(AppFixture::writeFile(docs.filePath("big.smy"), lines));
        frmMain* w = app.start();
        if (!typed.isEmpty())
            w->page(0)->openFilter(typed);
        const CatalogueListModel* model = w->page(0)->model();
        const int before = model->rowCount();
        // The user's click comes between two turns of the import.
        if (cancel)
            QObject::connect(model, &QAbstractItemModel::rowsInserted, w, [w] {
                QTimer::singleShot(0, w, [w] {
                    if (auto* progress = w->findChild<QProgressDialog*>())
                        progress->findChild<QPushButton*>()->click();
                });
            });
        w->importListFiles({docs.filePath("big.smy")});
        QTRY_VERIFY(!w->importFlow()->isBusy());
        const int taken = model->rowCount() - before;
        QVERIFY2(taken > 0 && (cancel ? taken < entries : taken == entries),
                 qPrintable(QString::number(taken)));
        QCOMPARE(w->page(0)->sortedModel()->rowCount(), typed.isEmpty() ? before + taken : taken);
        QCOMPARE(MessageBox::noticeCount(), cancel ? 0 : 1);
        qsizetype end = 0;
        for (int i = 0; i < taken; ++i)
            end = lines.indexOf('\n', end) + 1;
        QTRY_COMPARE(AppFixture::readAll(app.listPath("Smileys.smy")), own + lines.first(end));
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
};

QTEST_MAIN(tst_WindowListFiles)
#include "tst_windowlistfiles.moc"
