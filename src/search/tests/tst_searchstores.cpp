#include "search/EntryRanking.h"
#include "search/FavouriteStore.h"
#include "search/KeywordStore.h"
#include "search/StoreContent.h"
#include "search/UsageStore.h"

#include "base/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <TestFiles.h>

#include <sys/stat.h>

// The favourites and usage stores through their files: what two writers
// leave, what follows an edited or removed entry, what a damaged file does.
class tst_searchstores : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    QString path(const QString& name) const { return m_folder.filePath(name); }

    static QStringList setAside(const QString& file)
    {
        const QFileInfo info(file);
        return info.dir().entryList({info.fileName() + QStringLiteral(".damaged-*")},
                                    QDir::AllEntries | QDir::System | QDir::Hidden);
    }

    static constexpr qint64 Day = 24 * 3600;

private Q_SLOTS:
    void damagedFileIsSetAsideOnce_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("damage");
        for (const char* store : {"favourites", "usage", "keywords"}) {
            for (const char* damage :
                 {"binary", "not an object", "huge", "fifo", "folder", "link loop"})
                QTest::addRow("%s, %s", store, damage)
                    << QString::fromLatin1(store) << QString::fromLatin1(damage);
        }
    }

    void damagedFileIsSetAsideOnce()
    {
        QFETCH(QString, store);
        QFETCH(QString, damage);
        const QString file = path(QStringLiteral("%1-%2.json").arg(store, damage));
        if (damage == "binary") {
            QVERIFY(TestFiles::writeFile(file, QByteArray("\x7f"
                                                          "ELF\0\1\2{[",
                                                          9)));
        } else if (damage == "not an object") {
            QVERIFY(TestFiles::writeFile(file, "[\"smileys\"]"));
        } else if (damage == "huge") {
            QFile huge(file);
            QVERIFY(huge.open(QIODevice::WriteOnly));
            QVERIFY(huge.resize(UsageStore::MaxFileSize + 1));
        } else if (damage == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        } else if (damage == "link loop") {
            QVERIFY(QFile::link(file, file));
        } else {
            QVERIFY(QDir().mkdir(file));
        }

        // Nothing blocks, the store starts empty, the file is kept aside, and
        // the next change makes a sound file in its place.
        if (store == "usage") {
            // A listing's reader leaves it for the window to set aside.
            QVERIFY(
                UsageStore(file, UsageStore::Access::ReadOnly).scores(ListKind::Smiley).isEmpty());
            QVERIFY(setAside(file).isEmpty());
            UsageStore usage(file);
            QVERIFY(usage.scores(ListKind::Smiley).isEmpty());
            usage.recordUse(ListKind::Smiley, ":-)");
            QVERIFY(usage.flush());
            QVERIFY(UsageStore(file).score(ListKind::Smiley, u":-)") > 0.99);
        } else if (store == "keywords") {
            // The service's reader leaves it for the window to set aside.
            QVERIFY(KeywordStore(file, KeywordStore::Access::ReadOnly).isEmpty(ListKind::Smiley));
            QVERIFY(setAside(file).isEmpty());
            KeywordStore keywords(file);
            QVERIFY(keywords.isEmpty(ListKind::Smiley));
            QVERIFY(keywords.setKeywords(ListKind::Smiley, ":-)", {"glad"}));
            QCOMPARE(KeywordStore(file).keywords(ListKind::Smiley, u":-)"), QStringList{"glad"});
        } else {
            FavouriteStore favourites(file);
            QVERIFY(favourites.keys(ListKind::Smiley).isEmpty());
            QVERIFY(favourites.mark(ListKind::Smiley, ":-)"));
            QVERIFY(FavouriteStore(file).isFavourite(ListKind::Smiley, u":-)"));
        }
        QCOMPARE(setAside(file).size(), 1);
    }

    void fileStaysWithinItsReadLimit_data()
    {
        QTest::addColumn<bool>("usage");
        QTest::newRow("favourites") << false;
        QTest::newRow("usage") << true;
    }

    // Entries as long as a list line may be: no change writes a file larger
    // than the store reads back, which the next start would set aside.
    void fileStaysWithinItsReadLimit()
    {
        QFETCH(bool, usage);
        const QString file = path(usage ? "long-usage.json" : "long-favourites.json");
        const auto longText = [](int i) { return QString(1024 * 1024, QChar(u'a' + i)); };
        if (usage) {
            // Too many long uses to keep: the weakest go, the file is written.
            const auto now = [] { return qint64(1'700'000'000); };
            {
                UsageStore store(file);
                store.setClock(now);
                store.recordUse(ListKind::Smiley, ":-)");
                store.recordUse(ListKind::Smiley, ":-)");
                for (int i = 0; i < 9; ++i)
                    store.recordUse(ListKind::Smiley, longText(i));
                QVERIFY(store.flush());
            }
            QVERIFY(QFileInfo(file).size() <= UsageStore::MaxFileSize);
            UsageStore later(file);
            later.setClock(now);
            QCOMPARE(later.score(ListKind::Smiley, u":-)"), 2.0);
            QVERIFY(later.scores(ListKind::Smiley).size() > 4);
        } else {
            // The mark over the limit holds for this run; the file keeps the others.
            FavouriteStore store(file);
            for (int i = 0; i < 3; ++i)
                QVERIFY(store.mark(ListKind::Smiley, longText(i)));
            QCOMPARE(store.mark(ListKind::Smiley, longText(3)).failure,
                     AtomicFileWriter::Failure::TooLarge);
            QVERIFY(store.isFavourite(ListKind::Smiley, longText(3)));
            QCOMPARE(FavouriteStore(file).keys(ListKind::Smiley).size(), 3);
            // Nor does it hold back the next mark, which the file has room for.
            QVERIFY(store.mark(ListKind::Smiley, ":-)"));
            QVERIFY(FavouriteStore(file).isFavourite(ListKind::Smiley, u":-)"));
        }
        QVERIFY(setAside(file).isEmpty());
    }

    // Everything the stores' walks see of a content, in the order they see it.
    static QStringList walkOf(const StoreContent& content)
    {
        QStringList seen;
        const auto number = [](double value) { return QString::number(value, 'g', 17); };
        for (const QString& name : {QStringLiteral("smileys"), QStringLiteral("acronyms")}) {
            seen << name << QString::number(content.sizeOf(name));
            content.forEachString(name, [&](QString&& text) { seen << "text " + text; });
            content.forEachStringsMember(name, [&](const QString& key, QStringList&& strings) {
                seen << "key " + key << strings;
            });
            content.forEachNumbersMember(name, [&](const QString& key, qsizetype size, double first,
                                                   double second) {
                seen << "use " + key << QString::number(size) << number(first) << number(second);
            });
        }
        return seen;
    }

    void fastReadWalksAsQtsObject_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // 1: the fast read takes the bytes; 0: it leaves them to Qt; -1: either
        // (simdjson's versions differ), the walk the same when it takes them.
        QTest::addColumn<int>("taken");
        QTest::newRow("favourites")
            << QByteArray("{\"smileys\": [\":-)\", \";-)\", \" :-) \"], "
                          "\"acronyms\": [\"BTW\"], \"other\": {\"b\": 1, \"a\": 2}}")
            << 1;
        QTest::newRow("keywords")
            << QByteArray(
                   "{\"smileys\": {\";-)\": [\"eyelid\", \" pirate \"], "
                   "\":-)\": [\"glad\", \"\", \"Glad\"]}, \"acronyms\": {\"BTW\": [\"aside\"]}}")
            << 1;
        QTest::newRow("usage")
            << QByteArray("{\"format\": 1, \"smileys\": {\":-)\": [3.5, 1.7e9], "
                          "\"XD\": [1, 1700000000]}, \"acronyms\": {\"BTW\": [0.25, 0]}}")
            << 1;
        QTest::newRow("key twice")
            << QByteArray("{\"smileys\": {\"a\": [\"x\"], \"a\": [\"y\"]}}") << 0;
        QTest::newRow("list twice")
            << QByteArray("{\"smileys\": [\":-)\"], \"smileys\": [\";-)\"]}") << 0;
        QTest::newRow("two spellings") << QByteArray("{\"smileys\": {\"xD \": [\"c\"], \"XD\": "
                                                     "[\"a\", \"b\"], \" xd\": [\"b\", \"d\"]}}")
                                       << 1;
        QTest::newRow("above U+FFFF")
            << QByteArray(
                   "{\"smileys\": {\"\xf0\x9f\x98\x80\": [\"above\"], \"\xc3\xa9\": [\"e\"], "
                   "\"z\\ud83d\\ude00\": [1, 2], \"z\": [3, 4]}}")
            << 1;
        QTest::newRow("UTF-8 and UTF-16 orders")
            << QByteArray("{\"smileys\": {\"\xf0\x9f\x98\x80\": [\"above\"], \"\xee\x80\x80\": "
                          "[\"private\"]}, \"acronyms\": {\"\\uE000\": [1, 2], "
                          "\"\\ud83d\\ude00\": [3, 4]}}")
            << 0;
        QTest::newRow("escapes")
            << QByteArray(
                   "{\"smileys\": {\"caf\\u00e9\": [\"\\ud83d\\ude00\"], "
                   "\"\\u00e9\\n\": [\"\\\"\\\\\\/\\b\\f\\r\\t\\u0000\"], \"e\\u0301\": [1, 2]}}")
            << 1;
        QTest::newRow("lone surrogate")
            << QByteArray("{\"smileys\": {\"\\ud800\": [\"\\udc00\"]}}") << -1;
        QTest::newRow("wrong types") << QByteArray("{\"smileys\": {\"a\": 5, \"b\": [[1], \"k\", "
                                                   "2, null, {\"c\": \"d\"}], \"c\": {}}, "
                                                   "\"acronyms\": [1, \"x\", [\"y\"], true]}")
                                     << 1;
        QTest::newRow("wrong types of a use")
            << QByteArray("{\"smileys\": {\"a\": [\"1\", 2], \"b\": [1, true], \"c\": [1], "
                          "\"d\": [1, 2, 3], \"e\": 7, \"f\": [[1], null], \"g\": [-0, -1e-300]}, "
                          "\"acronyms\": \"BTW\"}")
            << 1;
        QTest::newRow("invalid UTF-8") << QByteArray("{\"smileys\": [\"\xff\xfe\"]}") << 0;
        QTest::newRow("truncated") << QByteArray("{\"smileys\": {\"a\": [\"x\"") << 0;
        QTest::newRow("garbage after") << QByteArray("{\"smileys\": []} []") << 0;
        QTest::newRow("big integers")
            << QByteArray("{\"smileys\": {\"a\": [18446744073709551615, 9007199254740993], "
                          "\"b\": [-9223372036854775808, 1e308]}}")
            << 1;
        QTest::newRow("number that comes out as zero")
            << QByteArray("{\"smileys\": {\"a\": [1e-400, 1], \"b\": [-0.0, 1]}}") << 0;
        QTest::newRow("huge number") << QByteArray("{\"smileys\": {\"a\": [1e400, 1]}}") << 0;
        QTest::newRow("beyond 64 bits")
            << QByteArray("{\"smileys\": {\"a\": [123456789012345678901234567890, 1]}}") << -1;
        QTest::newRow("empty object") << QByteArray("{}") << 1;
        QTest::newRow("whitespace") << QByteArray(" \n\t\r ") << 0;
        QTest::newRow("not an object") << QByteArray("[\"smileys\"]") << 0;
        QTest::newRow("BOM in a key")
            << QByteArray("{\"\xef\xbb\xbfsmileys\": [\":-)\"], \"acronyms\": {\"\\ufeffBTW\": "
                          "[\"\\ufeffaside\"]}}")
            << 0;
        QTest::newRow("BOM") << QByteArray("\xef\xbb\xbf{\"smileys\": [\":-)\"]}") << -1;
        QTest::newRow("deep") << "{\"smileys\": {\"a\": " + QByteArray(2000, '[') +
                                     QByteArray(2000, ']') + "}}"
                              << 0;
    }

    // The fast read of a store file gives each store exactly what Qt's
    // object of the same bytes gives it, or leaves the bytes to Qt.
    void fastReadWalksAsQtsObject()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, taken);
        const std::optional<StoreContent> fast = StoreContent::parseFast(bytes);
        if (taken >= 0)
            QCOMPARE(fast.has_value(), taken == 1);
        if (fast) {
            // What Qt would set aside is never read.
            const std::optional<QJsonObject> object = StoreFile::parse(bytes);
            QVERIFY(object);
            QVERIFY(fast->isFastRead());
            QCOMPARE(walkOf(*fast), walkOf(*object));
        }
    }

    // Two windows on one list folder: each mark survives the other's writes.
    void favouritesOfTwoWritersMerge()
    {
        const QString file = FavouriteStore::pathIn(m_folder.filePath("lists"));
        FavouriteStore first(file);
        FavouriteStore second(file);
        QVERIFY(first.mark(ListKind::Smiley, ";-)"));
        QVERIFY(second.mark(ListKind::Smiley, ":-D"));
        QVERIFY(second.mark(ListKind::Acronym, "BTW"));
        QVERIFY(first.unmark(ListKind::Smiley, ":-D"));
        QVERIFY(second.isFavourite(ListKind::Smiley, u";-)")); // seen at its write

        FavouriteStore later(file);
        QCOMPARE(later.keys(ListKind::Smiley), QSet<QString>{";-)"});
        QCOMPARE(later.keys(ListKind::Acronym), QSet<QString>{"btw"});
    }

    // Two windows adding keywords to one entry at once: the file holds both
    // (each only knew its own), and a keyword one took away stays away.
    void keywordsOfTwoWritersMerge()
    {
        const QString file = KeywordStore::pathIn(m_folder.filePath("lists"));
        KeywordStore first(file);
        KeywordStore second(file);
        // An Edit or a Remove of a user who never gave a keyword writes none.
        QVERIFY(first.rename(ListKind::Smiley, ":-(", ":-["));
        QVERIFY(first.forget(ListKind::Smiley, ":-["));
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(first.setKeywords(ListKind::Smiley, ";-)", {"pirate", "eyelid"}));
        QVERIFY(second.setKeywords(ListKind::Smiley, " ;-) ", {"Tease"}));
        QVERIFY(first.setKeywords(ListKind::Smiley, ";-)", {"pirate", "PIRATE "}));
        const QStringList both{"pirate", "Tease"};
        QCOMPARE(first.keywords(ListKind::Smiley, u";-)"), both);
        QVERIFY(second.catchUp());
        QCOMPARE(second.keywords(ListKind::Smiley, u";-)"), both);
        QVERIFY(!second.catchUp());
        QCOMPARE(
            KeywordStore(file, KeywordStore::Access::ReadOnly).keywords(ListKind::Smiley, u";-)"),
            both);
        QVERIFY(KeywordStore(file).isEmpty(ListKind::Acronym));
    }

    // A mark or keywords the file could not take (its lock's name is a
    // folder) hold through a reload and go to the file with the next change
    // written.
    void unwrittenMarkIsKept()
    {
        const QString file = path("kept/favourites.json");
        FavouriteStore store(file);
        QVERIFY(store.mark(ListKind::Smiley, ";-)"));
        KeywordStore keywords(file + ".keywords");
        QVERIFY(QDir().mkpath(file + ".lock"));
        QVERIFY(QDir().mkpath(file + ".keywords.lock"));
        QCOMPARE(store.mark(ListKind::Smiley, ":-D").failure, AtomicFileWriter::Failure::LockTaken);
        QVERIFY(!keywords.setKeywords(ListKind::Smiley, ":-D", {"laugh"}));
        store.reload();
        keywords.reload();
        QVERIFY(store.isFavourite(ListKind::Smiley, u":-D"));
        QCOMPARE(keywords.keywords(ListKind::Smiley, u":-D"), QStringList{"laugh"});
        QVERIFY(QDir(file + ".lock").removeRecursively());
        QVERIFY(QDir(file + ".keywords.lock").removeRecursively());
        QVERIFY(store.mark(ListKind::Acronym, "BTW"));
        QVERIFY(keywords.setKeywords(ListKind::Acronym, "BTW", {"aside"}));
        QCOMPARE(FavouriteStore(file).keys(ListKind::Smiley), (QSet<QString>{";-)", ":-d"}));
        QCOMPARE(KeywordStore(file + ".keywords").keywords(ListKind::Smiley, u":-d"),
                 QStringList{"laugh"});
    }

    // Marks, keywords and uses follow an entry by its text, spaces and case
    // aside, per list; an edit moves them, a removal drops them, its undo gives them back.
    void renameAndForget()
    {
        const QString favourites = path("favourites.json");
        const QString usage = path("state/usage.json");
        const QString keywords = path("keywords.json");
        {
            FavouriteStore marks(favourites);
            UsageStore uses(usage);
            KeywordStore words(keywords);
            QVERIFY(words.setKeywords(ListKind::Acronym, " Imho ", {"opinion"}));
            QVERIFY(words.setKeywords(ListKind::Acronym, "IMO", {"view"}));
            QVERIFY(words.setKeywords(ListKind::Acronym, "BTW", {"aside"}));
            QVERIFY(words.rename(ListKind::Acronym, "IMHO", "imo"));
            QVERIFY(words.forget(ListKind::Acronym, "btw "));
            QVERIFY(marks.mark(ListKind::Acronym, " Imho "));
            QVERIFY(marks.mark(ListKind::Acronym, "BTW"));
            uses.recordUse(ListKind::Acronym, "imho");
            uses.recordUse(ListKind::Acronym, "btw");
            QVERIFY(marks.isFavourite(ListKind::Acronym, u"IMHO"));
            QVERIFY(!marks.isFavourite(ListKind::Smiley, u"IMHO"));

            QVERIFY(marks.rename(ListKind::Acronym, "IMHO", "IMO"));
            uses.rename(ListKind::Acronym, "IMHO", "IMO");
            QVERIFY(marks.forget(ListKind::Acronym, "btw "));
            uses.forget(ListKind::Acronym, "btw ");
        }
        // What the user marks and sends is theirs alone to read.
        QCOMPARE(QFile::permissions(favourites) & 0x0777, QFile::Permissions(0x0600));
        QCOMPARE(QFile::permissions(usage) & 0x0777, QFile::Permissions(0x0600));
        QCOMPARE(QFile::permissions(keywords) & 0x0777, QFile::Permissions(0x0600));
        QCOMPARE(KeywordStore(keywords).keywords(ListKind::Acronym, u"IMO"),
                 (QStringList{"view", "opinion"}));
        QVERIFY(KeywordStore(keywords).keywords(ListKind::Acronym, u"BTW").isEmpty());
        QCOMPARE(QFile::permissions(path("state")) & 0x0777, QFile::Permissions(0x0700));
        FavouriteStore marks(favourites);
        UsageStore uses(usage);
        QCOMPARE(marks.keys(ListKind::Acronym), QSet<QString>{"imo"});
        QCOMPARE(uses.scores(ListKind::Acronym).keys(), QList<QString>{"imo"});
        QVERIFY(uses.score(ListKind::Acronym, u"IMO") > 0.99);
        // The undo of a removal gives its score back.
        uses.restore(ListKind::Acronym, "BTW", 2.0);
        QVERIFY(uses.score(ListKind::Acronym, u"btw") > 1.99);
    }

    // Much use long ago yields to this week's; two processes' uses add up;
    // the store keeps the best scores only.
    void usageDecaysMergesAndIsBounded()
    {
        const QString file = path("usage.json");
        qint64 now = 1'700'000'000;
        UsageStore first(file);
        UsageStore second(file);
        first.setClock([&now] { return now; });
        second.setClock([&now] { return now; });
        for (int i = 0; i < 4; ++i)
            first.recordUse(ListKind::Smiley, ":-(");
        now += 60 * Day;
        first.recordUse(ListKind::Smiley, ":-)");
        second.recordUse(ListKind::Smiley, ":-)");
        QVERIFY(first.flush());
        QVERIFY(second.flush());

        UsageStore later(file);
        later.setClock([&now] { return now; });
        QCOMPARE(later.score(ListKind::Smiley, u":-)"), 2.0);
        QVERIFY(later.score(ListKind::Smiley, u":-(") < 1.0);
        QVERIFY(later.score(ListKind::Smiley, u":-(") > 0.3);

        // One entry more than the bound: the weakest goes.
        for (int i = 0; i < UsageStore::MaxEntries - 1; ++i)
            later.recordUse(ListKind::Acronym, QString::number(i));
        QVERIFY(later.flush());
        const UsageStore bounded(file);
        QCOMPARE(bounded.scores(ListKind::Smiley).size() + bounded.scores(ListKind::Acronym).size(),
                 UsageStore::MaxEntries);
        QCOMPARE(bounded.score(ListKind::Smiley, u":-("), 0.0);

        // Scores and times no use can make are dropped, not ranked first forever.
        const QByteArray hostile = "{\"smileys\": {\":-)\": [1e300, 1], \":-(\": [-5, 1], "
                                   "\":-D\": [2, 1e300], \":-P\": [2, -1], \";-)\": \"x\"}}";
        QVERIFY(TestFiles::writeFile(file, hostile));
        QVERIFY(UsageStore(file).scores(ListKind::Smiley).isEmpty());
    }

    // A use is written later, by the store's own timer, not at once, yet
    // soon enough that another process (the search service, a pick) ranks
    // by it at its next catch-up, long before a rename's write.
    void usageIsWrittenLater()
    {
        qputenv("XDG_STATE_HOME", "relative/state");
        QVERIFY(UsageStore::defaultPath().startsWith(QDir::homePath() + "/.local/state/"));
        qputenv("XDG_STATE_HOME", QFile::encodeName(path("xdg-state")));
        const QString file = UsageStore::defaultPath();
        QCOMPARE(file, path("xdg-state/ZunoSmileys/usage.json"));

        UsageStore store(file);
        UsageStore other(file);
        store.recordUse(ListKind::Smiley, ":-P");
        QVERIFY(!QFile::exists(file));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), UsageStore::WriteDelayMs * 4);
        QVERIFY(!store.hasPendingWrite());
        QVERIFY(other.catchUp());
        QVERIFY(!other.catchUp());
        QVERIFY(other.score(ListKind::Smiley, u":-P") > 0.99);
        store.rename(ListKind::Smiley, ":-P", ":-p~");
        store.recordUse(ListKind::Smiley, ":-)");
        QTRY_VERIFY_WITH_TIMEOUT((other.catchUp(), other.score(ListKind::Smiley, u":-)") > 0.99),
                                 UsageStore::WriteDelayMs / 2);
    }

    // Both lists' hits in one ranking: the better class first, smileys first
    // on a tie, wherever the lists' entries lie.
    void rankingMergesBothLists()
    {
        using List = BilingualEntry::List;
        EntryRanking ranking(path("ranking/favourites"), path("ranking/usage.json"), 2);
        ranking.setEntries({{"B", {}, "cat", List::Acronyms, true, {}},
                            {"A", {}, "cat", List::Smileys, true, {}},
                            {"cat", {}, "x", List::Acronyms, true, {}}});
        QList<qsizetype> found;
        for (const EntryRanking::Hit& hit : ranking.rank("cat", 10))
            found << hit.index;
        QCOMPARE(found, (QList<qsizetype>{2, 1, 0}));
    }

    void initTestCase() { QVERIFY(m_folder.isValid()); }
};

QTEST_GUILESS_MAIN(tst_searchstores)
#include "tst_searchstores.moc"
