#include "ReadOnlyFolder.h"
#include "TestFiles.h"
#include "base/ListFolder.h"
#include "catalogue/UserListReader.h"
#include "lists/SaveFailure.h"
#include "lists/UserListChange.h"
#include "lists/UserListFile.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <optional>

using Records = QList<UserListFile::Record>;
Q_DECLARE_METATYPE(Records)

namespace {

using TestFiles::readAll;
using TestFiles::writeFile;

// While it lives, no file of this process grows beyond a number of bytes:
// a write past it fails with EFBIG (for root too) instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        struct rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit m_old = {};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class tst_UserListFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void formatsOneQuotedLinePerEntry_data()
    {
        QTest::addColumn<Records>("records");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no entries, no bytes") << Records{} << QByteArray();
        QTest::newRow("one entry") << Records{{"abc", "def"}} << QByteArray("\"abc\",\"def\"\r\n");
        QTest::newRow("quotes and commas are not escaped")
            << Records{{"a\"b", "c,d"}} << QByteArray("\"a\"b\",\"c,d\"\r\n");
        QTest::newRow("blanks stay")
            << Records{{"  :-) ", " x "}} << QByteArray("\"  :-) \",\" x \"\r\n");
        QTest::newRow("empty description") << Records{{"X", ""}} << QByteArray("\"X\",\"\"\r\n");
        QTest::newRow("accented letters in UTF-8")
            << Records{{"é", "Très content"}}
            << QByteArray("\"\xC3\xA9\",\"Tr\xC3\xA8s content\"\r\n");
        QTest::newRow("order kept, every line ended")
            << Records{{"2", "b"}, {"1", "a"}} << QByteArray("\"2\",\"b\"\r\n\"1\",\"a\"\r\n");
        QTest::newRow("beyond the first plane")
            << Records{{QString::fromUtf8("\xF0\x9F\x98\x80"), "grin"}}
            << QByteArray("\"\xF0\x9F\x98\x80\",\"grin\"\r\n");
        QTest::newRow("a broken character as the line encoder writes it")
            << Records{{QString(QChar(0xD800)), "x"}}
            << UserListFormat::line(QString(QChar(0xD800)), "x");
    }

    void formatsOneQuotedLinePerEntry()
    {
        QFETCH(Records, records);
        QFETCH(QByteArray, bytes);
        QCOMPARE(UserListFile::format(records), bytes);
        // Told without being made, and not by a byte more, less or other.
        const auto fields = [&records](qsizetype i) {
            return std::pair(QStringView(records.at(i).text),
                             QStringView(records.at(i).description));
        };
        QVERIFY(UserListFile::formatsTo(bytes, records.size(), fields));
        QVERIFY(!UserListFile::formatsTo(bytes + '\n', records.size(), fields));
        if (!bytes.isEmpty()) {
            QVERIFY(!UserListFile::formatsTo(bytes.chopped(1), records.size(), fields));
            QByteArray other = bytes;
            other[1] = other[1] == 'x' ? 'y' : 'x';
            QVERIFY(!UserListFile::formatsTo(other, records.size(), fields));
        }

        QTemporaryDir dir;
        const QString path = dir.filePath("Smileys.smy");
        QVERIFY(UserListFile::save(path, records));
        QCOMPARE(readAll(path), bytes);
    }

    void theExampleBytes()
    {
        QCOMPARE(UserListFile::format({{"abc", "def"}}),
                 QByteArray::fromHex("22616263222C2264656622"
                                     "0D0A"));
    }

    void replacesAnOlderFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Acronyms.acr");
        QVERIFY(writeFile(path, QByteArray(10000, 'x')));
        QVERIFY(UserListFile::save(path, {{"IMHO", "opinion"}}));
        QCOMPARE(readAll(path), QByteArray("\"IMHO\",\"opinion\"\r\n"));
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Acronyms.acr"});
    }

    void createsAMissingFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("share/ZunoSmileys/Smileys.smy");
        QVERIFY(UserListFile::save(path, {{":-)", "x"}}));
        QCOMPARE(readAll(path), QByteArray("\":-)\",\"x\"\r\n"));
    }

    void failsWithAReasonWhenTheFolderCannotExist()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("plain"), "not a folder"));
        QVERIFY(!UserListFile::save(dir.filePath("plain/Smileys.smy"), {{"a", "b"}}));
        QCOMPARE(readAll(dir.filePath("plain")), QByteArray("not a folder"));
    }

    void aFailedSaveLeavesThePreviousFileWhole_data()
    {
        QTest::addColumn<bool>("midWrite");
        QTest::newRow("folder read-only") << false;
        // The file system refuses more bytes part of the way through.
        QTest::newRow("write stops half-way") << true;
    }

    void aFailedSaveLeavesThePreviousFileWhole()
    {
        QFETCH(bool, midWrite);
        QTemporaryDir dir;
        const QString path = dir.filePath("Smileys.smy");
        const QByteArray before("\":-)\",\"mine\"\r\n");
        QVERIFY(writeFile(path, before));
        QString why;
        if (!midWrite && !makeFolderReadOnly(dir.path(), &why))
            QSKIP(qPrintable(why));
        std::optional<FileSizeLimit> limit;
        if (midWrite)
            limit.emplace(4096);
        const UserListFile::Result saved =
            UserListFile::save(path, {{QString(100000, QLatin1Char('x')), "entry"}});
        limit.reset();
        releaseFolder(dir.path());
        QCOMPARE(int(saved.failure), int(midWrite ? AtomicFileWriter::Failure::DiskFull
                                                  : AtomicFileWriter::Failure::ReadOnlyFileSystem));
        QCOMPARE(readAll(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Smileys.smy"});
    }

    // A change is applied to the file as it is on disk now: what another
    // writer put there stays, and the file keeps what the next load takes.
    void mergeAppliesOnlyThisChange_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("after");
        const QByteArray other = "\"(o_o)\",\"another window's\"\r\n";
        QTest::newRow("an Add keeps another writer's entry")
            << other << "add" << other + "\"(new)\",\"mine\"\r\n";
        QTest::newRow("an Add of a text another writer added meanwhile")
            << QByteArray("\" (NEW) \",\"theirs\"\r\n") << "add"
            << QByteArray("\" (NEW) \",\"theirs\"\r\n");
        QTest::newRow("an Edit changes its line in place")
            << "\"(old)\",\"d\"\r\n" + other << "edit"
            << "\"(new)\",\"mine\"\r\n" + other;
        QTest::newRow("an Edit whose entry has gone becomes an Add")
            << other << "edit" << other + "\"(new)\",\"mine\"\r\n";
        QTest::newRow("an Edit to a text another writer took")
            << QByteArray("\"(old)\",\"d\"\r\n\"(new)\",\"theirs\"\r\n") << "edit"
            << QByteArray("\"(old)\",\"d\"\r\n\"(new)\",\"theirs\"\r\n");
        QTest::newRow("an Edit to a space-padded copy of another writer's entry")
            << other + "\"(old)\",\"d\"\r\n"
            << "edit to a padded copy" << other + "\"(old)\",\"d\"\r\n";
        QTest::newRow("a run of Adds meets each other and the file")
            << QByteArray("\" (O_O) \",\"theirs\"\r\n") << "adds"
            << QByteArray("\" (O_O) \",\"theirs\"\r\n\"(new)\",\"mine\"\r\n");
        QTest::newRow("a Remove of an entry already gone") << other << "remove" << other;
        QTest::newRow("a line the load would drop goes")
            << ":-),built in\r\n" + other + other << "remove" << other;
        QTest::newRow("the load's rule: blanks around a text, letters beyond ASCII")
            << QByteArray("\" (x)\",\"a\"\r\n\"(X)\",\"b\"\r\n\"(x) \",\"c\"\r\n\" (x)\",\"d\"\r\n"
                          "\"\xc3\x89t\xc3\xa9\",\"e\"\r\n\"\xc3\xa9T\xc3\x89\",\"f\"\r\n")
            << "remove"
            << QByteArray("\" (x)\",\"a\"\r\n\"(X)\",\"b\"\r\n\"\xc3\x89t\xc3\xa9\",\"e\"\r\n");
    }
    void mergeAppliesOnlyThisChange()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, change);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("Smileys.smy");
        QVERIFY(writeFile(path, before));
        const UserListChange made =
            change.startsWith("add")    ? UserListChange::add("(new)", "mine")
            : change == "edit"          ? UserListChange::edit("(old)", "(new)", "mine")
            : change.startsWith("edit") ? UserListChange::edit("(old)", " (O_O) ", "mine")
                                        : UserListChange::remove("(old)");
        QList<UserListChange> changes{made};
        if (change == "adds")
            changes << UserListChange::add(" (NEW)", "again")
                    << UserListChange::add("(o_o)", "too");
        Records records;
        QVERIFY(UserListFile::merge(path, changes, {":-)"}, &records));
        QCOMPARE(readAll(path), after);
    }

    // A file the list reader would cut is neither read in part nor written.
    void aFileBeyondTheReadersLimitsIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray mine = "\"mine\",\"kept\"\r\n";
        QTest::newRow("a line over the limit")
            << mine + QByteArray(UserListReader::MaxLineLength + 1, 'x');
        QTest::newRow("a file over the limit")
            << mine + QByteArray(UserListReader::MaxFileSize, '\n') + mine;
    }
    void aFileBeyondTheReadersLimitsIsLeftAlone()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("Smileys.smy");
        QVERIFY(writeFile(path, bytes));
        Records records;
        const auto tooLarge = int(AtomicFileWriter::Failure::TooLarge);
        QCOMPARE(int(UserListFile::read(path, &records).failure), tooLarge);
        QCOMPARE(
            int(UserListFile::merge(path, {UserListChange::remove("mine")}, {}, &records).failure),
            tooLarge);
        QVERIFY(readAll(path) == bytes);
    }

    // What the user reads of a file that could not be written: the file and
    // the reason in the window's language, never the system's own words.
    void aFailedSaveIsToldInTheWindowsLanguage_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("error");
        using F = AtomicFileWriter::Failure;
        const QList<std::tuple<F, const char*, const char*>> reasons{
            {F::DiskFull, "le disque est plein", "the disk is full"},
            {F::NoPermission, "vous n'avez pas le droit d'écrire", "you are not allowed to write"},
            {F::ReadOnlyFileSystem, "le support est en lecture seule", "file system is read-only"},
            {F::NotRegularFile, "pas un fichier ordinaire", "not a regular file"},
            {F::Busy, "un autre programme l'utilise", "another program is using it"},
            {F::TooLarge, "plus que la fenêtre ne lit", "more than the window reads"},
            {F::Other, "le système a refusé de l'écrire", "the system refused to write it"},
            {F::LockTaken, "pris par autre chose qu'un verrou",
             "taken by something that is no lock"},
            {F::ForeignLink, "lien d'un autre utilisateur", "another user's link"},
            {F::DanglingLink, "qui n'existe pas", "a link to a file that does not exist"},
        };
        for (const auto& [failure, french, english] : reasons) {
            QTest::addRow("%s, in French", english) << int(failure) << 1 << QString(french) << 28;
            QTest::addRow("%s, in English", english) << int(failure) << 2 << QString(english) << 28;
        }
        // The writer's refusal to grow a file over the reader's limit.
        QTest::newRow("would be too large, in French")
            << int(F::TooLarge) << 1 << QString("il deviendrait plus grand") << EFBIG;
        QTest::newRow("would be too large, in English")
            << int(F::TooLarge) << 2 << QString("it would grow larger") << EFBIG;
    }
    void aFailedSaveIsToldInTheWindowsLanguage()
    {
        QFETCH(int, failure);
        QFETCH(int, language);
        QFETCH(QString, reason);
        QFETCH(int, error);
        ZunoSmiley1 localizer;
        localizer.setLanguage(static_cast<ZunoSmiley1::LanguageConstants>(language));
        const QString path = "/home/someone/Smileys.smy";
        const AtomicFileWriter::Result result{AtomicFileWriter::Failure(failure), error,
                                              "No space left on device"};
        const QString line = SaveFailure::line(localizer, path, result);
        QVERIFY2(line.contains(path) && line.contains(reason), qPrintable(line));
        QVERIFY(!line.contains(result.detail));
        // The report at once: a file that is no regular file is left alone.
        const QString notice = SaveFailure::notice(localizer, path, result);
        if (result.failure == AtomicFileWriter::Failure::NotRegularFile)
            QVERIFY(notice.contains(path) &&
                    notice.contains(language == 1 ? "laissé tel quel" : "left as it is"));
        else
            QCOMPARE(notice, line);
    }

    void listsStayBesideAWritableProgram()
    {
        QTemporaryDir program, data;
        QCOMPARE(ListFolder::choose(program.path(), data.path()), program.path());
        QCOMPARE(QDir(program.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void listsMoveToTheDataFolder_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("program folder below a regular file") << "file";
        QTest::newRow("program folder missing") << "missing";
        QTest::newRow("program folder read-only") << "read-only";
        QTest::newRow("program folder of an installation") << "installed";
    }

    void listsMoveToTheDataFolder()
    {
        QFETCH(QString, how);
        QTemporaryDir root, data;
        QString program = root.filePath("bin");
        if (how == "file") {
            QVERIFY(writeFile(root.filePath("file"), "x"));
            program = root.filePath("file/bin");
        } else if (how == "installed") {
            QVERIFY(QDir().mkpath(root.filePath("share/applications")));
            QVERIFY(writeFile(root.filePath("share/applications/example.orvak.ZunoSmiley.desktop"),
                              "[Desktop Entry]\n"));
            QVERIFY(QDir().mkpath(program));
        } else if (how == "read-only") {
            QVERIFY(QDir().mkpath(program));
            QString why;
            if (!makeFolderReadOnly(program, &why))
                QSKIP(qPrintable(why));
        }
        const QString chosen = ListFolder::choose(program, data.path());
        if (how == "read-only")
            releaseFolder(program);
        QCOMPARE(chosen, data.path());
    }
};

QTEST_GUILESS_MAIN(tst_UserListFile)
#include "tst_userlistfile.moc"
