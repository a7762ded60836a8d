// Prints what the search costs as the user types: the time of each keystroke
// for the ranked search (the folded rows searched, the matches ordered by
// class, favourites and use), beside today's unranked filter (each row's
// folded text searched for every typed word, nothing ordered) key for key in
// the same run, with 1,000, 10,000 and 100,000 entries per list file, 1,000 of
// them favourites and a usage history of 10,000 entries. Each keystroke is the
// best of RUNS typings, each with a fresh index as after a load; the table
// gives the median and the slowest key of typing and deleting the words, and
// what the empty pick list (after a use changed the scores) and the
// preparation (folding every row when the list is given; the use order and
// the word index when the filter opens) cost; last, what reading the
// favourites and usage files adds to a start.
//
//   bench_search [RUNS]      RUNS 5 by default

#include "BenchMedian.h"
#include "BestTime.h"

#include "search/EntryKey.h"
#include "search/FavouriteStore.h"
#include "search/SearchIndex.h"
#include "search/UsageStore.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <limits>

namespace {

// Today's filter: letter case and accents folded through a table of the
// Latin letters, every row's fields folded once when the bar opens, then
// each keystroke keeps the rows whose folded text holds every word.
class UnrankedFilter
{
public:
    explicit UnrankedFilter(const QList<SearchEntry>& entries)
    {
        m_starts.reserve(entries.size() + 1);
        m_starts.append(0);
        for (const SearchEntry& entry : entries) {
            fold(entry.text, m_keys);
            m_keys.append(QChar(0x1f));
            fold(entry.description, m_keys);
            m_keys.append(QChar(0x1f));
            fold(entry.otherDescription, m_keys);
            m_keys.append(QChar(0x1f));
            m_starts.append(m_keys.size());
        }
    }

    QList<int> shown(const QString& typed) const
    {
        QString folded;
        fold(typed, folded);
        const QStringList words = folded.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QList<int> rows;
        for (int row = 0; row + 1 < m_starts.size(); ++row) {
            const QStringView key =
                QStringView(m_keys).sliced(m_starts[row], m_starts[row + 1] - m_starts[row]);
            if (std::all_of(words.cbegin(), words.cend(),
                            [key](const QString& word) { return key.contains(word); }))
                rows.append(row);
        }
        return rows;
    }

private:
    static void fold(QStringView text, QString& out)
    {
        static const auto table = [] {
            std::array<char16_t, 0x250> folded{};
            for (char16_t c = 0; c < folded.size(); ++c) {
                QChar base(c);
                const QString decomposition = base.decomposition();
                if (base.decompositionTag() == QChar::Canonical && !decomposition.isEmpty())
                    base = decomposition.at(0);
                folded[c] = base.toCaseFolded().unicode();
            }
            return folded;
        }();
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u < 0x80)
                out.append(QChar(u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u));
            else if (u < table.size())
                out.append(QChar(table[u]));
            else if (!c.isMark())
                out.append(c.toCaseFolded());
        }
    }

    QString m_keys;
    QList<qsizetype> m_starts;
};

// Entries as a list holds them: a smiley text, a description of a few words
// in French and, for the first ones (the built-in entries), in English.
QList<SearchEntry> makeEntries(int count)
{
    static const QStringList french =
        QStringLiteral("sourire clin d'œil heureux triste chat cœur rire étonné fâché lunettes "
                       "langue bisou ange diable pleure malade fête")
            .split(QLatin1Char(' '));
    static const QStringList english =
        QStringLiteral("smile wink happy sad cat heart laugh angry kiss angel devil party")
            .split(QLatin1Char(' '));
    QList<SearchEntry> entries;
    entries.reserve(count);
    quint32 seed = 12345;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (int i = 0; i < count; ++i) {
        SearchEntry entry;
        entry.text = QStringLiteral(":-%1").arg(i, 0, 36);
        entry.description =
            QStringLiteral("%1 %2 numéro %3")
                .arg(french.at(next() % french.size()), french.at(next() % french.size()))
                .arg(i);
        if (i < 300)
            entry.otherDescription = QStringLiteral("%1 %2").arg(
                english.at(next() % english.size()), english.at(next() % english.size()));
        entries.append(entry);
    }
    return entries;
}

// Every text typed key by key, then deleted key by key.
QStringList keystrokes(const QStringList& words)
{
    QStringList typed;
    for (const QString& word : words) {
        for (int length = 1; length <= word.size(); ++length)
            typed.append(word.left(length));
        for (int length = word.size() - 1; length >= 1; --length)
            typed.append(word.left(length));
    }
    return typed;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    QTextStream out(stdout);
    // "numéro 4" as the filter benchmark types it, a word with one letter
    // too many (the typo pass), and a word of a description.
    const QStringList words = {QStringLiteral("numéro 4"), QStringLiteral("sourrire"),
                               QStringLiteral("clin d'oeil")};
    const QStringList keys = keystrokes(words);
    out << QStringLiteral("Per keystroke of typing and deleting \"%1\"; best of %2 runs, ms\n")
               .arg(words.join(QStringLiteral("\", \"")))
               .arg(runs);
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
               .arg(QStringLiteral("entries"), -8)
               .arg(QStringLiteral("filter med"), 11)
               .arg(QStringLiteral("filter max"), 11)
               .arg(QStringLiteral("ranked med"), 11)
               .arg(QStringLiteral("ranked max"), 11)
               .arg(QStringLiteral("ratio med"), 10)
               .arg(QStringLiteral("pick list"), 10)
               .arg(QStringLiteral("fold rows"), 10)
               .arg(QStringLiteral("prepare"), 8);
    for (const int count : {1000, 10000, 100000}) {
        const QList<SearchEntry> entries = makeEntries(count);
        QSet<QString> favourites;
        QHash<QString, double> scores;
        for (int i = 0; i < 1000; ++i)
            favourites.insert(EntryKey::of(entries.at((i * 7919) % count).text));
        for (int i = 0; i < 10000; ++i)
            scores.insert(EntryKey::of(entries.at((i * 104729) % count).text), 1.0 + i % 97);

        SearchIndex index;
        const double foldMs = bestMilliseconds(runs, [&] { index.setEntries(entries); });
        index.setUse(favourites, scores);
        // What the filter's opening prepares: the use order and the word index.
        const double prepareMs = bestMilliseconds(
            runs, [&] { index.prepare(); },
            [&] {
                index.setEntries(entries);
                index.setUse(favourites, scores);
            });
        const UnrankedFilter filter(entries);

        // Each key through today's filter, then through the ranked search,
        // typed through by a fresh index each run, as the filter opens after
        // a load; the two side by side, so that the machine's load falls on
        // both alike.
        QList<double> filtered(keys.size(), std::numeric_limits<double>::max());
        QList<double> ranked(keys.size(), std::numeric_limits<double>::max());
        for (int run = 0; run < runs; ++run) {
            index.setEntries(entries);
            index.setUse(favourites, scores);
            index.prepare();
            for (qsizetype key = 0; key < keys.size(); ++key) {
                filtered[key] = std::min(filtered[key],
                                         bestMilliseconds(1, [&] { filter.shown(keys.at(key)); }));
                ranked[key] =
                    std::min(ranked[key], bestMilliseconds(1, [&] { index.rank(keys.at(key)); }));
            }
        }
        if (qEnvironmentVariableIsSet("BENCH_SEARCH_EACH")) {
            for (qsizetype key = 0; key < keys.size(); ++key)
                out << "  \"" << keys.at(key) << "\": filter " << filtered.at(key) << " ms, ranked "
                    << ranked.at(key) << " ms, " << index.rank(keys.at(key)).size() << " rows\n";
        }
        // The pick list after a use changed the scores.
        const double pickMs = bestMilliseconds(
            runs, [&] { index.pickOrder(); }, [&] { index.setUse(favourites, scores); });
        const double filterMedian = benchMedian(filtered);
        const double rankedMedian = benchMedian(ranked);
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                   .arg(count, -8)
                   .arg(filterMedian, 11, 'f', 2)
                   .arg(*std::max_element(filtered.cbegin(), filtered.cend()), 11, 'f', 2)
                   .arg(rankedMedian, 11, 'f', 2)
                   .arg(*std::max_element(ranked.cbegin(), ranked.cend()), 11, 'f', 2)
                   .arg(filterMedian > 0 ? rankedMedian / filterMedian : 0, 10, 'f', 2)
                   .arg(pickMs, 10, 'f', 2)
                   .arg(foldMs, 10, 'f', 1)
                   .arg(prepareMs, 8, 'f', 1);
        out.flush();
    }

    // What the stores add to a start: reading 1,000 favourites and 10,000
    // used entries, beside reading the same bytes alone.
    QTemporaryDir folder;
    const QString favouritesPath = FavouriteStore::pathIn(folder.path());
    const QString usagePath = folder.filePath(QStringLiteral("usage.json"));
    {
        const QList<SearchEntry> entries = makeEntries(10000);
        FavouriteStore favourites(favouritesPath);
        for (int i = 0; i < 1000; ++i)
            favourites.mark(ListKind::Smiley, entries.at(i * 7).text);
        UsageStore usage(usagePath);
        for (int i = 0; i < 10000; ++i)
            usage.recordUse(i % 2 ? ListKind::Smiley : ListKind::Acronym, entries.at(i).text);
    }
    const auto readAlone = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().size() : 0;
    };
    out << QStringLiteral("stores at a start, ms: favourites (1,000) %1, usage (10,000) %2; "
                          "reading their bytes alone %3 and %4\n")
               .arg(bestMilliseconds(runs, [&] { FavouriteStore favourites(favouritesPath); }), 0,
                    'f', 2)
               .arg(bestMilliseconds(runs, [&] { UsageStore usage(usagePath); }), 0, 'f', 2)
               .arg(bestMilliseconds(runs, [&] { readAlone(favouritesPath); }), 0, 'f', 2)
               .arg(bestMilliseconds(runs, [&] { readAlone(usagePath); }), 0, 'f', 2);
    return 0;
}
