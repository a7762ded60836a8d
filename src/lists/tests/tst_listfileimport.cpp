#include "TestFiles.h"
#include "base/NativePath.h"
#include "catalogue/UserListReader.h"
#include "lists/ListFileImport.h"
#include "lists/ListImportJob.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The texts of a list as the job reads them.
ListImportJob::ListTexts textsOf(const QStringList& texts)
{
    return {texts.size(), [texts](qsizetype i) { return QStringView(texts.at(i)); }};
}

// Writes a file by its system name, which QFile cannot do for a name that
// is not valid UTF-8.
bool writeByName(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(NativePath::encode(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
    return ::close(fd) == 0 && written;
}

} // namespace

class tst_ListFileImport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void importFiles_data()
    {
        QTest::addColumn<QStringList>("files");    // name, then content or <folder>/<missing>
        QTest::addColumn<QStringList>("smileys");  // the smiley list before
        QTest::addColumn<QStringList>("acronyms"); // the acronym list before
        QTest::addColumn<QStringList>("afterwards");
        QTest::addColumn<QString>("report");
        QTest::newRow("each file to its list in its order, duplicates dropped")
            << QStringList{"a.smy",
                           "\":-X\",\"Kiss\"\r\n\":-)\",\"Again\"\r\n;-P,Tongue\r\n :-x ,Case\r\n",
                           "b.ACR", "\"BRB\",\"Back\"\r\n\"IIRC\",\"If I recall\"\r\n"}
            << QStringList{" :-) "} << QStringList{"brb"}
            << QStringList{" :-) ", ":-X", ";-P", "|", "brb", "IIRC"}
            << "\"%1/a.smy\": 2 entries added, 2 already there\n"
               "\"%1/b.ACR\": 1 entry added, 1 already there";
        QTest::newRow("a later file meets an earlier one's entries")
            << QStringList{"x.Smy", "A,1\n", "y.smy", "a,2\nB,3\n"} << QStringList()
            << QStringList() << QStringList{"A", "B", "|"}
            << "\"%1/x.Smy\": 1 entry added, 0 already there\n"
               "\"%1/y.smy\": 1 entry added, 1 already there";
        QTest::newRow("files that cannot be read or are of another type change nothing")
            << QStringList{"gone.smy",
                           "<missing>",
                           "folder.acr",
                           "<folder>",
                           "notes.txt",
                           "A,1\n",
                           "smy",
                           "A,1\n",
                           "long.smy",
                           "B,2\n" + QString(UserListReader::MaxLineLength + 1, 'x') + "\n",
                           "empty.acr",
                           ""}
            << QStringList() << QStringList() << QStringList{"|"}
            << "The file \"%1/gone.smy\" cannot be read: it does not exist\n"
               "The file \"%1/folder.acr\" cannot be read: it is not a regular file\n"
               "\"%1/notes.txt\" is not a smiley or acronym list\n"
               "\"%1/smy\" is not a smiley or acronym list\n"
               "The file \"%1/long.smy\" cannot be read: it holds more than the window reads "
               "(over 32 MiB, or a line over 1 MiB)\n"
               "\"%1/empty.acr\": 0 entries added, 0 already there";
        // The name as the system gives it (a byte 0xff, of no UTF-8 letter).
        QTest::newRow("a name that is not UTF-8")
            << QStringList{NativePath::decode("caf\xe9\xff.smy"), "A,1\n"} << QStringList()
            << QStringList() << QStringList{"A", "|"}
            << "\"%1/caf\uFFFD\uFFFD.smy\": 1 entry added, 0 already there";
    }
    // Through the job, on its thread, against the lists as they were.
    void importFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, smileys);
        QFETCH(QStringList, acronyms);
        QFETCH(QStringList, afterwards);
        QFETCH(QString, report);
        QTemporaryDir dir;
        QStringList paths;
        for (qsizetype i = 0; i + 1 < files.size(); i += 2) {
            const QString path = dir.filePath(files.at(i));
            paths << path;
            if (files.at(i + 1) == "<folder>")
                QVERIFY(QDir().mkdir(path));
            else if (files.at(i + 1) != "<missing>")
                QVERIFY(writeByName(path, files.at(i + 1).toUtf8()));
        }
        ListImportJob job(paths, textsOf(smileys), textsOf(acronyms));
        QSignalSpy finished(&job, &ListImportJob::finished);
        QList<ListFileImport::FileReport> reports;
        ListImportJob::Runs runs;
        connect(&job, &ListImportJob::finished, this,
                [&](const QList<ListFileImport::FileReport>& r, const ListImportJob::Runs& e) {
                    reports = r;
                    runs = e;
                });
        job.start();
        QVERIFY(finished.wait());
        QStringList texts[2] = {smileys, acronyms};
        for (int list = 0; list < 2; ++list) {
            for (const UserListFormat::Entry& entry : std::as_const(runs[list]))
                texts[list] << entry.text;
        }
        QCOMPARE(texts[0] + QStringList{"|"} + texts[1], afterwards);
        ZunoSmiley1 english;
        QCOMPARE(ListFileImport::reportText(reports, english), report.arg(dir.path()));
    }

    // Stopped, an import adds nothing of the file it was reading nor of the
    // files after it; a cancelled job sends no result.
    void aStoppedImportAddsNothingMore()
    {
        QTemporaryDir dir;
        QByteArray lines;
        for (int i = 0; i < 20000; ++i)
            lines += "(" + QByteArray::number(i) + "),x\n";
        const QStringList paths = {dir.filePath("small.smy"), dir.filePath("large.smy"),
                                   dir.filePath("after.acr")};
        QVERIFY(TestFiles::writeFile(paths[0], "A,1\n"));
        QVERIFY(TestFiles::writeFile(paths[1], lines));
        QVERIFY(TestFiles::writeFile(paths[2], "B,2\n"));
        QStringList added;
        const auto add = [&added](const QString& text, const QString&) {
            added << text;
            return true;
        };
        const QList<ListFileImport::FileReport> reports =
            ListFileImport::importFiles(paths, add, add, [](qint64 done, qint64) {
                return done < 5; // on into the large file
            });
        QCOMPARE(added, QStringList{"A"});
        QCOMPARE(reports.size(), 1);

        ListImportJob job(paths, {}, {});
        QSignalSpy finished(&job, &ListImportJob::finished);
        QSignalSpy progress(&job, &ListImportJob::progress);
        connect(&job, &ListImportJob::progress, &job, &ListImportJob::cancel);
        job.start();
        QVERIFY(progress.wait());
        QTRY_VERIFY(!job.isRunning());
        QCOMPARE(finished.count(), 0);
        QCOMPARE(progress.count(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_ListFileImport)
#include "tst_listfileimport.moc"
