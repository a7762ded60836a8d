#include "search/EntryKey.h"
#include "search/KeyTable.h"
#include "search/MemoryAdvice.h"
#include "search/RecentQueries.h"
#include "search/SearchFold.h"
#include "search/SearchIndex.h"

#include <QFile>
#include <QTest>

#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <vector>

// The search through its one public door: a list of entries, the user's use
// of them, and the order of the rows a typed text finds; and what a start
// at 100,000 entries leans on (KeyTable, the heap of large pages).
class tst_searchindex : public QObject
{
    Q_OBJECT

private:
    // "text|description|other description|keyword,keyword" per entry.
    static QList<SearchEntry> entriesOf(const QStringList& rows)
    {
        QList<SearchEntry> entries;
        for (const QString& row : rows) {
            const QStringList fields = row.split(QLatin1Char('|'));
            entries.append({fields.value(0), fields.value(1), fields.value(2),
                            fields.value(3).split(QLatin1Char(','), Qt::SkipEmptyParts)});
        }
        return entries;
    }

    static QStringList textsOf(const QList<SearchEntry>& entries, const QList<int>& rows)
    {
        QStringList texts;
        for (const int row : rows)
            texts.append(entries.at(row).text);
        return texts;
    }

private Q_SLOTS:
    void keyTableFindsWhatItHolds()
    {
        // Grown from empty past several sizes, or given its room first:
        // every key keeps its value, and a key never put in is not found;
        // once cleared, only what is put in again.
        QStringList keys;
        for (int i = 0; i < 5000; ++i)
            keys.append(QStringLiteral(":-x%1").arg(i));
        for (const bool reserved : {false, true}) {
            KeyTable table;
            if (reserved)
                table.reserve(keys.size());
            for (int i = 0; i < keys.size(); ++i)
                table.insert(keys[i], i);
            for (int i = 0; i < keys.size(); ++i)
                QCOMPARE(table.find(keys[i]), i);
            for (int i = 0; i < 5000; ++i)
                QCOMPARE(table.find(QStringLiteral(":-y%1").arg(i)), KeyTable::None);
            table.clear();
            table.insert(keys.last(), 7);
            QCOMPARE(table.find(keys.last()), 7);
            QCOMPARE(table.find(keys.first()), KeyTable::None);
        }
    }

    void ranking_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("typed"); // a null text: the empty pick order
        QTest::addColumn<QStringList>("favourites");
        QTest::addColumn<QStringList>("scores"); // "text=score"
        QTest::addColumn<QStringList>("expected");

        const QStringList cats = {"A1|intoxicated", "A2|happy cat", "CAT|x", "CATS|y",
                                  "B|chien|chat, cat"};
        QTest::newRow("classes: equal, text prefix, word prefix in either language, inside")
            << cats << "cat" << QStringList() << QStringList()
            << QStringList{"CAT", "CATS", "A2", "B", "A1"};
        QTest::newRow("each typed word starts a word, in any order")
            << QStringList{"X|xhappy catx", "Y|cat is happy"} << " happy  CAT " << QStringList()
            << QStringList() << QStringList{"Y", "X"};
        QTest::newRow("no match across two fields")
            << QStringList{"ab|cd|ef"} << "bc" << QStringList() << QStringList() << QStringList();
        QTest::newRow("every unit of a word counts, the middle and the last ones too")
            << QStringList{"A|123406", "B|123457", "C|x 123456"} << "123456" << QStringList()
            << QStringList() << QStringList{"C"};
        QTest::newRow("no words: list order")
            << cats << "   " << QStringList{"CATS"} << QStringList{"B=5"}
            << QStringList{"A1", "A2", "CAT", "CATS", "B"};

        QTest::newRow("folded: capitals and accents")
            << QStringList{"1|ÉCOLE", "2|École", "3|ecole", "4|écoles"} << "Ecole" << QStringList()
            << QStringList() << QStringList{"1", "2", "3", "4"};
        QTest::newRow("folded: ligatures typed and listed")
            << QStringList{"1|clin d'oeil", "2|un Œil", "3|straße", "4|ﬁne"} << "œil"
            << QStringList() << QStringList() << QStringList{"1", "2"};
        QTest::newRow("folded: sharp s, compatibility forms")
            << QStringList{"1|STRASSE fine", "2|Straße ﬁne", "3|strasse"} << "strasse ﬁ"
            << QStringList() << QStringList() << QStringList{"1", "2"};
        QTest::newRow("folded: the entry text too")
            << QStringList{"Ça va|x", "ÇA|y"} << "ca" << QStringList() << QStringList()
            << QStringList{"ÇA", "Ça va"};

        const QStringList winks = {";-)|wink", "X|winlose", "Y|blink", "Z|swinks"};
        QTest::newRow("typo: replaced, below every exact match")
            << winks << "winl" << QStringList() << QStringList() << QStringList{"X", ";-)"};
        QTest::newRow("typo: replaced")
            << winks << "wonk" << QStringList() << QStringList() << QStringList{";-)"};
        QTest::newRow("typo: swapped")
            << winks << "wnik" << QStringList() << QStringList() << QStringList{";-)"};
        QTest::newRow("typo: left out")
            << winks << "blnk" << QStringList() << QStringList() << QStringList{"Y"};
        QTest::newRow("typo: inserted")
            << winks << "bliink" << QStringList() << QStringList() << QStringList{"Y"};
        QTest::newRow("typo: the first two letters swapped")
            << winks << "iwnk" << QStringList() << QStringList() << QStringList{";-)"};
        QTest::newRow("typo: a letter before the first")
            << winks << "xwink" << QStringList() << QStringList() << QStringList{";-)", "Z"};
        QTest::newRow("typo: not under four letters")
            << winks << "wnk" << QStringList() << QStringList() << QStringList();
        QTest::newRow("typo: two typos are no match")
            << winks << "wnkl" << QStringList() << QStringList() << QStringList();
        QTest::newRow("typo: none in a number")
            << QStringList{"A|room 4711", "B|suite 4x712"} << "4712" << QStringList()
            << QStringList() << QStringList{"B"};
        QTest::newRow("typo: one word exact, one with a typo")
            << QStringList{"1|happy wink", "2|happy", "3|wink"} << "happy winl" << QStringList()
            << QStringList() << QStringList{"1"};

        const QStringList faces = {";-)|wink", ":-D|grin",  ":-)|happy", ":'-)|tears",
                                   ":^)|nose", ":-DDD|lol", ":)|plain"};
        QTest::newRow("shape: the nose left out, the exact text first")
            << faces << ":)" << QStringList() << QStringList()
            << QStringList{":)", ":-)", ":'-)", ":^)"};
        QTest::newRow("shape: a nose typed finds the others")
            << faces << ";)" << QStringList() << QStringList() << QStringList{";-)"};
        QTest::newRow("shape: a nose typed, other noses and none")
            << faces << ":^)" << QStringList() << QStringList()
            << QStringList{":^)", ":-)", ":'-)", ":)"};
        QTest::newRow("shape: the mouth counts")
            << faces << ":D" << QStringList() << QStringList() << QStringList{":-D"};

        QTest::newRow("keyword: a word of it, below a description's word")
            << QStringList{"A|x|y|laughing out loud,lol", "B|lol cat", "C|a lollipop"} << "lol"
            << QStringList() << QStringList() << QStringList{"B", "C", "A"};
        QTest::newRow("keyword: one typo from four letters, below a description's typo")
            << QStringList{"A|x|y|smile", "B|smiles", "C|x|y|smi"} << "smiel" << QStringList()
            << QStringList() << QStringList{"B", "A"};

        // A pasted page costs no more than what a person types: the rest is ignored.
        QTest::newRow("bound: words past the sixteenth")
            << winks << QString(QStringLiteral("wink ").repeated(16) + QStringLiteral("zzzz"))
            << QStringList() << QStringList() << QStringList{";-)", "Z", "X"};
        QTest::newRow("bound: the sixteenth word counts")
            << winks << QString(QStringLiteral("wink ").repeated(15) + QStringLiteral("zzzz"))
            << QStringList() << QStringList() << QStringList();
        QTest::newRow("bound: no pair cut at the 256th unit")
            << QStringList{"A|\U0001F609 face", "B|x"}
            << QString(QStringLiteral("x") + QString(254, u' ') + QStringLiteral("\U0001F609"))
            << QStringList() << QStringList() << QStringList{"B"};
        QTest::newRow("bound: text past the 256th unit")
            << winks
            << QString(QStringLiteral("wink") + QString(300, u' ') + QStringLiteral("zzzz"))
            << QStringList() << QStringList() << QStringList{";-)", "Z", "X"};

        QTest::newRow("use: favourite first within its class, not above a better class")
            << cats << "cat" << QStringList{"B", "A1"} << QStringList()
            << QStringList{"CAT", "CATS", "B", "A2", "A1"};
        QTest::newRow("use: score within a class, favourite before score")
            << QStringList{"1|happy", "2|happy", "3|happy", "4|happy"} << "hap" << QStringList{"4"}
            << QStringList{"2=1", "3=2.5", "4=0.5"} << QStringList{"4", "3", "2", "1"};
        QTest::newRow("use: keyed by text, spaces and case aside")
            << QStringList{"btw|by the way", "imho|in my opinion"} << "y" << QStringList{" IMHO "}
            << QStringList() << QStringList{"imho", "btw"};

        QStringList many;
        QStringList scores;
        for (int i = 0; i < 14; ++i) {
            many.append(QString::number(i));
            scores.append(QStringLiteral("%1=%2").arg(i).arg(i + 1));
        }
        QTest::newRow("pick: favourites, then the ten most used, then list order")
            << many << QString() << QStringList{"0", "5"} << scores
            << QStringList{"5", "0", "13", "12", "11", "10", "9",
                           "8", "7", "6",  "4",  "3",  "1",  "2"};
        QTest::newRow("pick: nothing used: list order")
            << QStringList{"b", "a"} << QString() << QStringList() << QStringList()
            << QStringList{"b", "a"};
    }

    void ranking()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, typed);
        QFETCH(QStringList, favourites);
        QFETCH(QStringList, scores);
        QFETCH(QStringList, expected);

        const QList<SearchEntry> list = entriesOf(entries);
        SearchIndex index;
        index.setEntries(list);
        QSet<QString> marked;
        for (const QString& text : favourites)
            marked.insert(EntryKey::of(text));
        QHash<QString, double> used;
        for (const QString& score : scores)
            used.insert(EntryKey::of(score.section(QLatin1Char('='), 0, 0)),
                        score.section(QLatin1Char('='), 1).toDouble());
        index.setUse(marked, used);

        // A start's first answer reads the keys for its typos: the same rows.
        SearchIndex started;
        started.setEntries(list);
        started.setUse(marked, used);
        started.prepareFirstQuery();

        const QList<int> rows = typed.isNull() ? index.pickOrder() : index.rank(typed);
        QCOMPARE(textsOf(list, rows), expected);
        if (!typed.isNull()) {
            QCOMPARE(textsOf(list, started.rank(typed)), expected);
            // The launcher asks for the best few only.
            QList<int> best;
            for (const SearchHit& hit : index.hits(typed, 2))
                best.append(hit.row);
            QCOMPARE(best, rows.mid(0, 2));
        }
    }

    // Typed key by key, deleted and changed, with rows edited between: each
    // answer is the one a fresh index gives.
    void typingAndEditingAnswerAsAFreshIndex()
    {
        QList<SearchEntry> list =
            entriesOf({"a|happy cat", "b|sad cat", "c|caterpillar", "d|cattle", "e|wink"});
        SearchIndex typing;
        typing.setEntries(list);
        const auto check = [&](const QString& typed) {
            SearchIndex fresh;
            fresh.setEntries(list);
            QCOMPARE(textsOf(list, typing.rank(typed)), textsOf(list, fresh.rank(typed)));
        };
        for (const QString typed :
             {"c", "ca", "cat", "catt", "cat", "cat h", "cat ha", "at ha", "cate", "cat"})
            check(typed);
        list[1] = {"b", "cattle dog", {}, {}};
        typing.replaceEntry(1, list[1]);
        check("catt");
        list.removeAt(3);
        typing.removeEntry(3);
        check("catt");
        list.append({"f", "wink wink", {}, {}});
        typing.appendEntry(list.last());
        check("winl");
        QCOMPARE(typing.rank(u"cattle").size(), 1);
    }

    void recentQueriesStayBounded()
    {
        RecentQueries recent;
        const std::vector<int> rows(RecentQueries::MaxBytes / sizeof(int) / 3, 1);
        for (int query = 0; query < 6; ++query)
            recent.remember({QString::number(query)}, rows);
        QVERIFY(recent.bytes() <= RecentQueries::MaxBytes);
        QVERIFY(recent.same({QStringLiteral("5")}));
        QVERIFY(!recent.same({QStringLiteral("0")}));
    }

    void foldKeepsWhatItDoesNotFold()
    {
        // Emoji (surrogate pairs), a lone combining mark, non-Latin letters.
        QCOMPARE(SearchFold::of(u"Α😀\u0301ß"), u"α😀ss");
        QCOMPARE(SearchFold::of(u"\U0001D400bc"), u"abc"); // mathematical A
    }

    void heapOfLargePagesFillsItsStartInLargePages()
    {
        // The first MiB filled once the heap is set up come a fault each
        // large page (2 MiB), not a fault each small one (4 KiB): the part
        // of a large page the heap's top was in is passed over. The setup
        // stays for the rest of the process: this test comes last.
#ifndef __GLIBC__
        QSKIP("the heap is set up for glibc's allocator alone");
#endif
        const auto contains = [](const QString& path, const QByteArray& text) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains(text);
        };
        const auto counter = [](const char* name) {
            QFile vmstat(QStringLiteral("/proc/vmstat"));
            vmstat.open(QIODevice::ReadOnly);
            for (const QByteArray& line : vmstat.readAll().split('\n'))
                if (line.startsWith(QByteArray(name) + ' '))
                    return line.mid(qstrlen(name) + 1).toLongLong();
            return -1LL;
        };
        const QString thp = QStringLiteral("/sys/kernel/mm/transparent_hugepage/");
        if (!QFile::exists(thp + QLatin1String("enabled")) ||
            contains(thp + QLatin1String("enabled"), "[never]") ||
            contains(thp + QLatin1String("hugepages-2048kB/enabled"), "[never]") ||
            contains(QStringLiteral("/proc/self/status"), "THP_enabled:\t0") ||
            counter("thp_fault_fallback") < 0)
            QSKIP("this system gives this process no large pages");
        MemoryAdvice::heapOfLargePages(64 * 1024 * 1024);
        const auto faults = [] {
            rusage use;
            getrusage(RUSAGE_SELF, &use);
            return use.ru_minflt;
        };
        const long long fallbacks = counter("thp_fault_fallback");
        const long before = faults();
        std::vector<std::unique_ptr<char[]>> blocks;
        for (int i = 0; i < 32; ++i) {
            blocks.emplace_back(new char[128 * 1024]);
            std::memset(blocks.back().get(), i, 128 * 1024);
        }
        const long taken = faults() - before;
        if (counter("thp_fault_fallback") != fallbacks)
            QSKIP("the system had no large page free");
        QVERIFY2(taken < 64, qPrintable(QStringLiteral("%1 faults for 4 MiB").arg(taken)));
    }
};

QTEST_GUILESS_MAIN(tst_searchindex)
#include "tst_searchindex.moc"
