#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "lists/UserListFormat.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using Outcome = UserListReader::Result::Outcome;

namespace {

// The most memory the process has held so far.
long peakMemoryKiB()
{
    struct rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The bytes the program writes for one entry.
QByteArray writtenLine(const QString& text, const QString& description)
{
    return "\"" + text.toUtf8() + "\",\"" + description.toUtf8() + "\"\r\n";
}

// The reported entries flattened: text, description, text, description...
QStringList entriesOf(const QSignalSpy& spy)
{
    QStringList entries;
    for (const QList<QVariant>& event : spy)
        entries << event.at(0).toString() << event.at(1).toString();
    return entries;
}

} // namespace

// LoadFile of both controls: the program's own list files read back, files
// written by hand or on Windows, and places that hold no readable list file.
class tst_CatalogueFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString fileWith(const QByteArray& bytes)
    {
        static int count = 0;
        const QString path = m_dir.filePath(QStringLiteral("list%1.smy").arg(++count));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the test list file %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void readsEntriesInFileOrder_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");

        QTest::newRow("the program's line")
            << QByteArray("\"abc\",\"def\"\r\n") << QStringList{"abc", "def"};
        QTest::newRow("lines keep their order")
            << QByteArray("\"b\",\"2\"\r\n\"a\",\"1\"\r\n\"c\",\"3\"\r\n")
            << QStringList{"b", "2", "a", "1", "c", "3"};
        QTest::newRow("quote inside the text")
            << QByteArray("\"a\"b\",\"c\"\r\n") << QStringList{"a\"b", "c"};
        QTest::newRow("text ending with a quote")
            << QByteArray("\":-\"\",\"d\"\r\n") << QStringList{":-\"", "d"};
        QTest::newRow("quotes inside the description")
            << QByteArray("\"x\",\"say \"hi\"\"\r\n") << QStringList{"x", "say \"hi\""};
        QTest::newRow("description starting with a quote")
            << QByteArray("\"a\",\"\"b\"\r\n") << QStringList{"a", "\"b"};
        QTest::newRow("the separator inside the description")
            << QByteArray("\"x\",\"\"yes\",\"no\"\"\r\n") << QStringList{"x", "\"yes\",\"no\""};
        QTest::newRow("commas inside both")
            << QByteArray("\":-,\",\"one, two,three\"\r\n") << QStringList{":-,", "one, two,three"};
        QTest::newRow("blanks inside the quotes are kept")
            << QByteArray("\"  x \",\" d  \"\r\n") << QStringList{"  x ", " d  "};
        QTest::newRow("empty description") << QByteArray("\"x\",\"\"\r\n") << QStringList{"x", ""};
        QTest::newRow("empty text and description")
            << QByteArray("\"\",\"\"\r\n") << QStringList{"", ""};
        QTest::newRow("last line without its line end")
            << QByteArray("\"a\",\"1\"\r\n\"b\",\"2\"") << QStringList{"a", "1", "b", "2"};
        QTest::newRow("blank lines are skipped")
            << QByteArray("\r\n\"a\",\"1\"\r\n\r\n \t \r\n\"b\",\"2\"\r\n\r\n")
            << QStringList{"a", "1", "b", "2"};
        QTest::newRow("LF line ends")
            << QByteArray("\"a\",\"1\"\n\"b\",\"2\"\n") << QStringList{"a", "1", "b", "2"};
        QTest::newRow("CR line ends")
            << QByteArray("\"a\",\"1\"\r\"b\",\"2\"\r") << QStringList{"a", "1", "b", "2"};
        QTest::newRow("mixed line ends")
            << QByteArray("\"a\",\"1\"\n\"b\",\"2\"\r\n\"c\",\"3\"\r\"d\",\"4\"")
            << QStringList{"a", "1", "b", "2", "c", "3", "d", "4"};
        QTest::newRow("unquoted: split at the first comma")
            << QByteArray("BTW,By the way, really\r\n") << QStringList{"BTW", "By the way, really"};
        QTest::newRow("unquoted: blanks around the fields")
            << QByteArray("  :-) , Happy \n") << QStringList{":-)", "Happy"};
        QTest::newRow("unquoted: no comma") << QByteArray("IMHO\n") << QStringList{"IMHO", ""};
        QTest::newRow("unquoted text, quoted description")
            << QByteArray("IMO,\"In my opinion\"\n") << QStringList{"IMO", "In my opinion"};
        QTest::newRow("blanks around the comma")
            << QByteArray("  \"a\" , \"b\"  \r\n") << QStringList{"a", "b"};
        QTest::newRow("unquoted description")
            << QByteArray("\"a\",b c\r\n") << QStringList{"a", "b c"};
        QTest::newRow("missing closing quote")
            << QByteArray("\"a\",\"b\r\n\"c\",\"d\"\r\n") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("quoted text alone") << QByteArray("\"a\"\r\n") << QStringList{"a", ""};
        QTest::newRow("UTF-8") << QByteArray("\"caf\xC3\xA9\",\"cr\xC3\xA8me \xE2\x82\xAC\"\r\n")
                               << QStringList{"café", "crème €"};
        QTest::newRow("UTF-8 with its byte-order mark")
            << QByteArray("\xEF\xBB\xBF\"\xC3\xA9t\xC3\xA9\",\"d\"\r\n") << QStringList{"été", "d"};
        QTest::newRow("Windows-1252")
            << QByteArray("\"caf\xE9\",\"cr\xE8me \x80 \x93ok\x94 \x9C\"\r\n\"\xC0\",\"\xFF\"\r\n")
            << QStringList{"café", "crème € “ok” œ", "À", "ÿ"};
        QTest::newRow("Windows-1252 line added to a UTF-8 file")
            << QByteArray("\"caf\xC3\xA9\",\"\xE2\x82\xAC \xF0\x9F\x98\x80\"\r\n"
                          "\"\xE0 la main\",\"\x80\"\r\n"
                          "\"\xE9t\xE9\",\"summer\"\r\n"
                          "\"\xE6\x97\xA5\",\"sun\"\r\n")
            << QStringList{"café", "€ 😀", "à la main", "€", "été", "summer", "日", "sun"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("only blank lines") << QByteArray("\r\n\n\r  \r\n") << QStringList{};
        QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF") << QStringList{};
        QTest::newRow("a byte-order mark inside a field is kept")
            << QByteArray(
                   "\xEF\xBB\xBF\"\xEF\xBB\xBFx\",\"\xEF\xBB\xBF\"\r\n\"\xEF\xBB\xBF\",\"d\"\r\n")
            << QStringList{QChar(0xFEFF) + QString("x"), QChar(0xFEFF), QChar(0xFEFF), "d"};
        const QString longText(200000, QLatin1Char('x'));
        const QString longDescription(300000, QLatin1Char('y'));
        QTest::newRow("very long line")
            << writtenLine(longText, longDescription) << QStringList{longText, longDescription};
    }
    void readsEntriesInFileOrder()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        const QString path = fileWith(bytes);

        OVSmiley smileys;
        QSignalSpy smileySpy(&smileys, &OVSmiley::NextSmiley);
        smileys.LoadFile(path);
        QCOMPARE(entriesOf(smileySpy), entries);
        for (const QList<QVariant>& event : std::as_const(smileySpy))
            QCOMPARE(event.at(2).value<qint16>(), qint16(0));

        // The acronym control reads the same format.
        OVAcronym acronyms;
        QSignalSpy acronymSpy(&acronyms, &OVAcronym::NextAcronym);
        acronyms.LoadFile(path);
        QCOMPARE(entriesOf(acronymSpy), entries);
        for (const QList<QVariant>& event : std::as_const(acronymSpy))
            QCOMPARE(event.at(2).value<qint16>(), qint16(0));
    }

    // Whatever the program can hold in a list comes back from its file.
    void readsBackWhatTheProgramWrites()
    {
        const QStringList entries{
            ":-)",     "Content",
            "  :-(",   "  leading and trailing blanks  ",
            "\"",      "a lone quote",
            ":-\"",    "ends with a quote",
            "\"x",     "\"starts with a quote",
            ",",       ",",
            "a,b",     "one, two",
            "a\",b",   "quote then comma",
            "é€œ",     "Père Noël",
            "",        "",
            "no desc", "",
            "x",       "the separator \",\" inside",
            "😀",       "outside the basic plane",
        };
        QByteArray bytes;
        for (qsizetype i = 0; i < entries.size(); i += 2)
            bytes += writtenLine(entries.at(i), entries.at(i + 1));

        OVSmiley smileys;
        QSignalSpy spy(&smileys, &OVSmiley::NextSmiley);
        smileys.LoadFile(fileWith(bytes));
        QCOMPARE(entriesOf(spy), entries);
    }

    // The format's rule is exact: random entries made of the characters that
    // matter to it read back unchanged exactly when the rule accepts them.
    void acceptedEntriesComeBackExactly()
    {
        const QString pieces[] = {"\"",
                                  ",",
                                  "\",",
                                  " ",
                                  "a",
                                  "é",
                                  "€",
                                  "😀",
                                  "\t",
                                  "\r",
                                  "\n",
                                  QString(QChar(0xFEFF)),
                                  QString(QChar(0xD83D)),
                                  QString(QChar(0xDE00)),
                                  QString(QChar(0)),
                                  QString(QChar(0xFFFE))};
        QRandomGenerator random(20261208);
        const auto randomText = [&] {
            QString text;
            for (int n = random.bounded(8); n > 0; --n)
                text += pieces[random.bounded(int(std::size(pieces)))];
            return text;
        };
        const auto readBack = [this](const QByteArray& bytes) {
            OVSmiley smileys;
            QSignalSpy spy(&smileys, &OVSmiley::NextSmiley);
            smileys.LoadFile(fileWith(bytes));
            return entriesOf(spy);
        };
        QByteArray accepted;
        QStringList acceptedEntries;
        int refused = 0;
        for (int i = 0; i < 2000; ++i) {
            const QString text = randomText(), description = randomText();
            const QByteArray line = UserListFormat::line(text, description);
            if (UserListFormat::check(text, description) == UserListFormat::Refusal::None) {
                accepted += line;
                acceptedEntries << text << description;
            } else if (refused++ < 300) {
                QVERIFY2(readBack(line) != (QStringList{text, description}), line.toHex());
            }
        }
        QVERIFY(acceptedEntries.size() > 500 && refused > 300);
        QCOMPARE(readBack(accepted), acceptedEntries);
    }

    void placesWithoutAListFileGiveNoEvents_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("missing file")
            << m_dir.filePath(QStringLiteral("Smileys.smy")) << Outcome::Missing;
        QTest::newRow("missing folder")
            << m_dir.filePath(QStringLiteral("none/Smileys.smy")) << Outcome::Missing;
        QTest::newRow("empty path") << QString() << Outcome::Missing;
        QTest::newRow("a folder given as the file") << m_dir.path() << Outcome::NotAFile;
        const QString regularFile = fileWith("\"a\",\"b\"\r\n");
        QTest::newRow("parent is a regular file")
            << regularFile + QStringLiteral("/Smileys.smy") << Outcome::Missing;
        // A named pipe would block a plain open until someone writes to it.
        const QString pipe = m_dir.filePath(QStringLiteral("pipe.smy"));
        if (!QFile::exists(pipe) && ::mkfifo(QFile::encodeName(pipe).constData(), 0600) != 0)
            qFatal("cannot make a named pipe");
        QTest::newRow("named pipe") << pipe << Outcome::NotAFile;
        QTest::newRow("device") << QStringLiteral("/dev/zero") << Outcome::NotAFile;
    }
    void placesWithoutAListFileGiveNoEvents()
    {
        QFETCH(QString, path);
        QFETCH(Outcome, outcome);
        OVSmiley smileys;
        QSignalSpy spy(&smileys, &OVSmiley::NextSmiley);
        smileys.LoadFile(path);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(smileys.lastFileRead().outcome, outcome);
        QVERIFY(!smileys.lastFileRead().cut());
    }

    // Only the first 32 MiB are read, in pieces: a sparse file of 2 GiB (no
    // disk space taken) gives the lines before the limit, says it was cut and
    // never costs memory in proportion to its size.
    void hugeFileIsReadUpToTheLimit()
    {
        const QString path = fileWith("\"a\",\"1\"\r\n\"b\",\"2\"\r\n");
        constexpr qint64 Huge = 2 * 1024 * 1024 * 1024LL + 1;
        QVERIFY(QFile::resize(path, Huge));
        const long before = peakMemoryKiB();
        OVSmiley smileys;
        QSignalSpy spy(&smileys, &OVSmiley::NextSmiley);
        smileys.LoadFile(path);
        QCOMPARE(entriesOf(spy), QStringList({"a", "1", "b", "2"}));
        const UserListReader::Result& read = smileys.lastFileRead();
        QCOMPARE(read.outcome, Outcome::Read);
        QCOMPARE(read.fileSize, Huge);
        QVERIFY(read.sizeLimitReached);
        QVERIFY(read.cut());
        QVERIFY2(peakMemoryKiB() - before < 100 * 1024,
                 qPrintable(QString::number(peakMemoryKiB())));

        // A file of exactly the limit is whole.
        QVERIFY(QFile::resize(path, UserListReader::MaxFileSize));
        smileys.LoadFile(path);
        QVERIFY(!smileys.lastFileRead().sizeLimitReached);
    }

    // A line over the line limit is skipped whole and counted; the lines
    // around it load.
    void overlongLineIsSkipped_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("skipped");
        QTest::newRow("at the limit") << UserListReader::MaxLineLength << 0LL;
        QTest::newRow("one byte over") << UserListReader::MaxLineLength + 1 << 1LL;
    }
    void overlongLineIsSkipped()
    {
        QFETCH(qint64, length);
        QFETCH(qint64, skipped);
        const QByteArray line = "\"x\",\"" + QByteArray(length - 6, 'd') + "\"\r\n";
        QCOMPARE(line.size(), length + 2);
        OVAcronym acronyms;
        QSignalSpy spy(&acronyms, &OVAcronym::NextAcronym);
        acronyms.LoadFile(fileWith("a\r\n" + line + "b"));
        QCOMPARE(spy.count(), skipped ? 2 : 3);
        QCOMPARE(spy.last().at(0).toString(), "b");
        QCOMPARE(acronyms.lastFileRead().longLinesSkipped, skipped);
        QCOMPARE(acronyms.lastFileRead().cut(), skipped > 0);
    }

    void unreadableFileGivesNoEvents()
    {
        if (::geteuid() == 0)
            QSKIP("permission bits do not stop root; the folder and parent-file cases cover this");
        const QString path = fileWith("\"a\",\"b\"\r\n");
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        OVSmiley smileys;
        QSignalSpy spy(&smileys, &OVSmiley::NextSmiley);
        smileys.LoadFile(path);
        QCOMPARE(spy.count(), 0);
    }

    // Damaged content is read as lines of text: nothing crashes, and no more
    // entries come out than there are lines.
    void binaryGarbageIsReadWithoutHarm()
    {
        QByteArray bytes;
        quint32 state = 12345;
        for (int i = 0; i < 64 * 1024; ++i) {
            state = state * 1103515245u + 12345u;
            bytes += char(state >> 24);
        }
        const qsizetype lines = bytes.count('\n') + bytes.count('\r') + 1;
        OVSmiley smileys;
        QSignalSpy spy(&smileys, &OVSmiley::NextSmiley);
        smileys.LoadFile(fileWith(bytes));
        QVERIFY(spy.count() > 0);
        QVERIFY(spy.count() <= lines);
    }

    // A handler may destroy the control that raised the event; the load then
    // stops instead of reporting through a dead object.
    void handlerMayDestroyTheControl()
    {
        const QString path = fileWith("\"a\",\"1\"\r\n\"b\",\"2\"\r\n\"c\",\"3\"\r\n");
        auto* smileys = new OVSmiley;
        int events = 0;
        connect(smileys, &OVSmiley::NextSmiley, this, [&] {
            ++events;
            delete smileys;
        });
        smileys->LoadFile(path);
        QCOMPARE(events, 1);
    }
};

QTEST_GUILESS_MAIN(tst_CatalogueFile)
#include "tst_catalogue_file.moc"
