#include "ListFileImport.h"
#include "TestFiles.h"
#include "UserListReader.h"
#include "ZunoSmiley1.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A list with the duplicate rule of Add: a text that, without its spaces
// around, some text of the list has, letter case aside.
struct TestList
{
    QStringList texts;
    ListFileImport::AddEntry adder()
    {
        return [this](const QString& text, const QString&) {
            for (const QString& present : std::as_const(texts)) {
                if (present.trimmed().compare(text.trimmed(), Qt::CaseInsensitive) == 0)
                    return false;
            }
            texts << text;
            return true;
        };
    }
};

} // namespace

class tst_ListFileImport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void importFiles_data()
    {
        QTest::addColumn<QStringList>("files");    // name, then content or <folder>/<missing>
        QTest::addColumn<QStringList>("smileys");  // the smiley list, before and after
        QTest::addColumn<QStringList>("acronyms"); // the acronym list, before and after
        QTest::addColumn<QStringList>("afterwards");
        QTest::addColumn<QString>("report");
        QTest::newRow("each file to its list in its order, duplicates dropped")
            << QStringList{"a.smy",
                           "\":-X\",\"Kiss\"\r\n\":-)\",\"Again\"\r\n;-P,Tongue\r\n :-x ,Case\r\n",
                           "b.ACR", "\"BRB\",\"Back\"\r\n\"IIRC\",\"If I recall\"\r\n"}
            << QStringList{":-)"} << QStringList{"brb"}
            << QStringList{":-)", ":-X", ";-P", "|", "brb", "IIRC"}
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
    }
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
                QVERIFY(TestFiles::writeFile(path, files.at(i + 1).toUtf8()));
        }
        TestList smileyList{smileys};
        TestList acronymList{acronyms};
        const QList<ListFileImport::FileReport> reports =
            ListFileImport::importFiles(paths, smileyList.adder(), acronymList.adder());
        QCOMPARE(smileyList.texts + QStringList{"|"} + acronymList.texts, afterwards);
        ZunoSmiley1 english;
        QCOMPARE(ListFileImport::reportText(reports, english), report.arg(dir.path()));

        // What each file added is what its list got, in the same order.
        QStringList added[2];
        for (const ListFileImport::FileReport& file : reports) {
            for (const UserListFormat::Entry& entry : file.added)
                added[int(file.list)] << entry.text;
        }
        QCOMPARE(smileys + added[0], smileyList.texts);
        QCOMPARE(acronyms + added[1], acronymList.texts);
    }
};

QTEST_GUILESS_MAIN(tst_ListFileImport)
#include "tst_listfileimport.moc"
