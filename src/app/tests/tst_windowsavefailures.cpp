// The window's list files where they cannot be written as they are: a
// read-only or full place, a read-only program folder, names taken by
// something else, files read in part or at the size limit. Nothing the user
// typed is lost, and the user is told why.

#include "AppFixture.h"
#include "ReadOnlyFolder.h"
#include "base/ListFolder.h"
#include "catalogue/UserListReader.h"
#include "lists/ListRecovery.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>
#include <csignal>
#include <optional>
#include <sys/stat.h>

using namespace WindowDriving;

class tst_WindowSaveFailures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setApplicationName("ZunoSmileys");
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
    // A termination request or the session's end never waits on a question
    // nobody may answer: the window closes, and what its list could not take
    // is kept, the user's alone, for the next start. A request that comes
    // while the close box's question is open ends that question so.
    void theEndOfASessionNeverAsksAndKeepsWhatWasNotSaved_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("termination request") << 0;
        QTest::newRow("during the close's question") << 1;
        QTest::newRow("session end") << 2;
    }
    void theEndOfASessionNeverAsksAndKeepsWhatWasNotSaved()
    {
        QFETCH(int, how);
        AppFixture app;
        QTemporaryDir lists;
        frmMain* w = app.start(lists.path());
        QPointer<frmMain> window = w;
        app.mod().watchForTermination();
        // A named pipe at the lock's name stops the writes, root's too.
        QVERIFY(::mkfifo(QFile::encodeName(lists.filePath("Smileys.smy.lock")).constData(), 0600) ==
                0);
        QVERIFY(w->page(0)->addUserEntry("(8-)", "kept in memory"));
        if (how == 1) {
            QTimer::singleShot(200, [] { ::raise(SIGTERM); });
            // Should the request not end it, the question gets its default.
            QTimer::singleShot(5000, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    box->reject();
            });
            QVERIFY(app.close());
            QCOMPARE(MessageBox::askedCount(), 1);
        } else {
            MessageBox::setNextAnswer(MessageBox::KeepOpen);
            if (how == 2) {
                QVERIFY(w->SaveEverything(false));
            } else {
                ::raise(SIGTERM);
                ::raise(SIGTERM);
                QTRY_VERIFY(!window || !window->isVisible());
            }
            QCOMPARE(MessageBox::askedCount(), 0);
        }
        const QString kept = ListRecovery::filePath(lists.filePath("Smileys.smy"));
        QCOMPARE(AppFixture::readAll(kept), QByteArray("\"(8-)\",\"kept in memory\"\r\n"));
        struct stat file = {}, folder = {};
        QVERIFY(::stat(QFile::encodeName(kept).constData(), &file) == 0);
        QVERIFY(::stat(QFile::encodeName(ListRecovery::folder()).constData(), &folder) == 0);
        QCOMPARE(file.st_mode & 07777, 0600u);
        QCOMPARE(folder.st_mode & 07777, 0700u);
    }

    // The next start offers what an earlier one kept: Add takes it into the
    // list, whose file then holds it, and the recovery file goes; Later
    // keeps it for the start after.
    void theNextStartOffersWhatWasKept_data()
    {
        QTest::addColumn<bool>("add");
        QTest::newRow("add") << true;
        QTest::newRow("later") << false;
    }
    void theNextStartOffersWhatWasKept()
    {
        QFETCH(bool, add);
        AppFixture app;
        // ":-)" is built in: the import's duplicate rule skips it.
        QVERIFY(ListRecovery::keep("Smileys.smy", {{"(8-)", "kept in memory"}, {":-)", "twice"}}));
        const QString kept = ListRecovery::filePath("Smileys.smy");
        frmMain* w = app.start();
        MessageBox::setNextAnswer(add ? MessageBox::Add : MessageBox::Later);
        w->offerRecoveredEntries();
        QCOMPARE(MessageBox::askedCount(), 1);
        QCOMPARE(MessageBox::lastText(),
                 QString("Des entrées n'ont pas pu être enregistrées à la fin de la dernière "
                         "session. Les ajouter à vos listes ?"));
        if (add) {
            QTRY_VERIFY(!QFileInfo::exists(kept));
            QCOMPARE(AppFixture::readAll(app.listPath("Smileys.smy")),
                     QByteArray("\"(8-)\",\"kept in memory\"\r\n"));
        } else {
            QTest::qWait(100);
            QVERIFY(QFileInfo::exists(kept));
            QVERIFY(!AppFixture::readAll(app.listPath("Smileys.smy")).contains("(8-)"));
        }
        QVERIFY(app.close());
        QCOMPARE(QFileInfo::exists(kept), !add);
    }
};

QTEST_MAIN(tst_WindowSaveFailures)
#include "tst_windowsavefailures.moc"
