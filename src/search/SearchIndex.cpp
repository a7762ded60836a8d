#include "search/SearchIndex.h"

#include "search/EntryKey.h"
#include "search/SearchFold.h"

#include "base/TextRules.h"

#include <algorithm>
#include <limits>

namespace {

// Between the fields of a row's key, so that no typed word (the query loses
// its control characters) matches across two fields.
constexpr QChar Separator(0x1f);
constexpr quint32 NoUse = std::numeric_limits<quint32>::max();
constexpr int ClassCount = int(MatchClass::Typo) + 1;

// Where a row's folded fields lie in the packed keys: its text from start to
// textEnd, its descriptions (both languages, one separator between them)
// from textEnd + 1 to end - 1.
struct RowSpan
{
    qsizetype start = 0;
    qsizetype textEnd = 0;
    qsizetype end = 0;
};

bool isWordUnit(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return char16_t((u | 0x20) - 'a') < 26 || char16_t(u - '0') < 10;
    return c.isLetterOrNumber();
}

// Whether word starts a word of text: it occurs where a word begins.
bool startsWordIn(QStringView text, QStringView word)
{
    for (qsizetype at = text.indexOf(word); at >= 0; at = text.indexOf(word, at + 1)) {
        if (at == 0 || !isWordUnit(text.at(at - 1)))
            return true;
    }
    return false;
}

// Whether typed is one typo away from a beginning of word (one letter
// inserted, left out, replaced, or two adjacent ones swapped) without
// being a beginning of it already.
bool oneTypoFromPrefix(QStringView typed, QStringView word)
{
    const qsizetype n = typed.size();
    qsizetype i = 0;
    const qsizetype common = std::min(n, word.size());
    while (i < common && typed.at(i) == word.at(i))
        ++i;
    if (i == n)
        return false; // an exact beginning
    const auto same = [&](qsizetype typedFrom, qsizetype wordFrom) {
        const qsizetype length = n - typedFrom;
        return wordFrom + length <= word.size() &&
               typed.sliced(typedFrom) == word.sliced(wordFrom, length);
    };
    // Replaced, left out (the word has one letter more), inserted (one less).
    if (same(i + 1, i + 1) || same(i, i + 1) || same(i + 1, i))
        return true;
    // Two adjacent letters swapped.
    return i + 1 < n && i + 1 < word.size() && typed.at(i) == word.at(i + 1) &&
           typed.at(i + 1) == word.at(i) && same(i + 2, i + 2);
}

struct Query
{
    QString folded;
    QStringView whole;
    QList<QStringView> words;

    explicit Query(QStringView typed)
        : folded(SearchFold::of(typed))
    {
        for (QChar& c : folded) {
            if (c.unicode() < 0x20)
                c = QLatin1Char(' ');
        }
        whole = TextRules::trimSpaces(folded);
        for (const QStringView word : whole.tokenize(QLatin1Char(' '), Qt::SkipEmptyParts))
            words.append(word);
    }
};

} // namespace

struct SearchIndex::Data
{
    QString keys;
    std::vector<RowSpan> spans;
    std::vector<QString> entryKeys; // EntryKey::of each row's text

    // The distinct words (with a letter: no typo in numbers) of all keys,
    // the rows that hold each (word w: postings from postingStart[w] to
    // postingStart[w + 1]), and the words by their first and by their second
    // unit, where one typo leaves a trace; made when a query first needs it.
    bool wordsMade = false;
    std::vector<QStringView> words;
    std::vector<int> postingStart;
    std::vector<int> postings;
    QHash<char16_t, std::vector<int>> wordsByFirst;
    QHash<char16_t, std::vector<int>> wordsBySecond;

    // The user's use, and each row's place among the used rows.
    QSet<QString> favourites;
    QHash<QString, double> scores;
    bool useMade = false;
    std::vector<quint32> useRank;
    std::vector<int> usedRows; // by their use, best first
    int favouriteRows = 0;
    // The rows by the hash of their entry key, in the hash's order.
    bool rowsByKeyMade = false;
    std::vector<std::pair<std::size_t, int>> rowsByKey;

    // The last queries' words and the rows that held them all: the same
    // query again (a word deleted back) answers at once, and a longer one
    // only has to search the rows of the closest.
    struct Found
    {
        QStringList words;
        std::vector<int> rows;
    };
    std::vector<Found> recent; // the latest last
    static constexpr std::size_t RecentQueries = 12;

    QStringView key(int row) const
    {
        const RowSpan& s = spans[row];
        return QStringView(keys).sliced(s.start, s.end - s.start);
    }
    QStringView text(int row) const
    {
        const RowSpan& s = spans[row];
        return QStringView(keys).sliced(s.start, s.textEnd - s.start);
    }
    QStringView descriptions(int row) const
    {
        const RowSpan& s = spans[row];
        return QStringView(keys).sliced(s.textEnd + 1, s.end - s.textEnd - 1);
    }

    void changed()
    {
        wordsMade = false;
        words.clear();
        postingStart.clear();
        postings.clear();
        wordsByFirst.clear();
        wordsBySecond.clear();
        useMade = false;
        rowsByKeyMade = false;
        recent.clear();
    }

    // Appends the row's folded fields to keys; answers where they lie.
    RowSpan appendKey(const SearchEntry& entry)
    {
        RowSpan span;
        span.start = keys.size();
        SearchFold::append(entry.text, keys);
        span.textEnd = keys.size();
        keys.append(Separator);
        SearchFold::append(entry.description, keys);
        keys.append(Separator);
        SearchFold::append(entry.otherDescription, keys);
        keys.append(Separator);
        span.end = keys.size();
        return span;
    }

    void append(const SearchEntry& entry)
    {
        spans.push_back(appendKey(entry));
        entryKeys.push_back(EntryKey::of(entry.text));
    }

    // Puts entry's folded fields where row's are.
    void replace(int row, const SearchEntry& entry)
    {
        const RowSpan old = spans[row];
        const RowSpan made = appendKey(entry);
        const QString key = keys.sliced(made.start);
        keys.truncate(made.start);
        const qsizetype delta = key.size() - (old.end - old.start);
        keys.replace(old.start, old.end - old.start, key);
        spans[row] = {old.start, old.start + (made.textEnd - made.start), old.start + key.size()};
        shiftAfter(row, delta);
        entryKeys[row] = EntryKey::of(entry.text);
    }

    void remove(int row)
    {
        const RowSpan old = spans[row];
        keys.remove(old.start, old.end - old.start);
        shiftAfter(row, -(old.end - old.start));
        spans.erase(spans.begin() + row);
        entryKeys.erase(entryKeys.begin() + row);
    }

    void shiftAfter(int row, qsizetype delta)
    {
        for (std::size_t r = row + 1; r < spans.size(); ++r) {
            spans[r].start += delta;
            spans[r].textEnd += delta;
            spans[r].end += delta;
        }
    }

    void makeWords();
    void makeUse();
    std::vector<int> rowsHolding(const Query& query);
    std::vector<int> typoRows(const Query& query);
    MatchClass classOf(int row, const Query& query) const;
};

void SearchIndex::Data::makeWords()
{
    if (wordsMade)
        return;
    // An open-addressing table of the words by a hash made while each word
    // is read: one probe per word of the list, no allocation per word.
    std::vector<int> slots(1024, -1);
    std::vector<quint32> hashes;
    const auto grow = [&] {
        slots.assign(slots.size() * 2, -1);
        const std::size_t mask = slots.size() - 1;
        for (int id = 0; id < int(words.size()); ++id) {
            std::size_t at = hashes[id] & mask;
            while (slots[at] >= 0)
                at = (at + 1) & mask;
            slots[at] = id;
        }
    };
    std::vector<int> lastRow;              // by word: the last row that held it
    std::vector<std::pair<int, int>> held; // (word, row), rows ascending
    held.reserve(spans.size() * 4);
    const QChar* units = keys.constData();
    for (int row = 0; row < int(spans.size()); ++row) {
        qsizetype i = spans[row].start;
        const qsizetype end = spans[row].end;
        while (i < end) {
            while (i < end && !isWordUnit(units[i]))
                ++i;
            const qsizetype start = i;
            bool hasLetter = false;
            quint32 hash = 2166136261u;
            while (i < end && isWordUnit(units[i])) {
                const char16_t u = units[i].unicode();
                hasLetter = hasLetter || u > '9' || u < '0';
                hash = (hash ^ u) * 16777619u;
                ++i;
            }
            if (!hasLetter)
                continue;
            const QStringView word(units + start, i - start);
            const std::size_t mask = slots.size() - 1;
            std::size_t at = hash & mask;
            while (slots[at] >= 0 && (hashes[slots[at]] != hash || words[slots[at]] != word))
                at = (at + 1) & mask;
            int id = slots[at];
            if (id < 0) {
                id = int(words.size());
                slots[at] = id;
                words.push_back(word);
                hashes.push_back(hash);
                lastRow.push_back(-1);
                if (words.size() * 2 > slots.size())
                    grow();
            }
            if (lastRow[id] != row) {
                lastRow[id] = row;
                held.emplace_back(id, row);
            }
        }
    }
    postingStart.assign(words.size() + 1, 0);
    for (const auto& [word, row] : held)
        ++postingStart[word + 1];
    for (std::size_t w = 0; w < words.size(); ++w)
        postingStart[w + 1] += postingStart[w];
    postings.resize(held.size());
    std::vector<int> next(postingStart.begin(), postingStart.end() - 1);
    for (const auto& [word, row] : held)
        postings[next[word]++] = row;
    for (int w = 0; w < int(words.size()); ++w) {
        wordsByFirst[words[w].at(0).unicode()].push_back(w);
        if (words[w].size() > 1)
            wordsBySecond[words[w].at(1).unicode()].push_back(w);
    }
    wordsMade = true;
}

void SearchIndex::Data::makeUse()
{
    if (useMade)
        return;
    const int rows = int(spans.size());
    if (!rowsByKeyMade) {
        rowsByKey.resize(rows);
        for (int row = 0; row < rows; ++row)
            rowsByKey[row] = {qHash(entryKeys[row]), row};
        std::sort(rowsByKey.begin(), rowsByKey.end());
        rowsByKeyMade = true;
    }
    struct Used
    {
        int row;
        bool favourite;
        double score;
    };
    std::vector<Used> used;
    // Built-in rows may share a text: a key may have several rows.
    const auto addRows = [&](const QString& key, bool marked, double score) {
        const std::pair<std::size_t, int> first{qHash(key), -1};
        for (auto it = std::lower_bound(rowsByKey.cbegin(), rowsByKey.cend(), first);
             it != rowsByKey.cend() && it->first == first.first; ++it) {
            if (entryKeys[it->second] == key)
                used.push_back({it->second, marked, score});
        }
    };
    for (const QString& key : std::as_const(favourites))
        addRows(key, true, scores.value(key, 0.0));
    for (auto it = scores.cbegin(); it != scores.cend(); ++it) {
        if (it.value() > 0 && !favourites.contains(it.key()))
            addRows(it.key(), false, it.value());
    }
    std::sort(used.begin(), used.end(), [](const Used& a, const Used& b) {
        if (a.favourite != b.favourite)
            return a.favourite;
        if (a.score != b.score)
            return a.score > b.score;
        return a.row < b.row;
    });
    useRank.assign(rows, NoUse);
    usedRows.clear();
    favouriteRows = 0;
    for (const Used& each : used) {
        useRank[each.row] = quint32(usedRows.size());
        usedRows.push_back(each.row);
        favouriteRows += each.favourite ? 1 : 0;
    }
    useMade = true;
}

std::vector<int> SearchIndex::Data::rowsHolding(const Query& query)
{
    QStringList typed;
    for (const QStringView word : query.words)
        typed.append(word.toString());
    typed.sort();
    typed.removeDuplicates();
    // A query whose every word holds one of an earlier query's words can
    // only match rows that the earlier one matched.
    const Found* narrowest = nullptr;
    for (auto it = recent.rbegin(); it != recent.rend(); ++it) {
        if (it->words == typed) {
            Found same = std::move(*it);
            recent.erase(std::next(it).base());
            recent.push_back(std::move(same));
            return recent.back().rows;
        }
        const bool narrows =
            std::all_of(it->words.cbegin(), it->words.cend(), [&](const QString& earlier) {
                return std::any_of(typed.cbegin(), typed.cend(),
                                   [&](const QString& word) { return word.contains(earlier); });
            });
        if (narrows && (!narrowest || it->rows.size() < narrowest->rows.size()))
            narrowest = &*it;
    }
    const auto holdsAll = [&](int row) {
        const QStringView rowKey = key(row);
        return std::all_of(typed.cbegin(), typed.cend(),
                           [rowKey](const QString& word) { return rowKey.contains(word); });
    };
    std::vector<int> found;
    if (narrowest) {
        for (const int row : narrowest->rows) {
            if (holdsAll(row))
                found.push_back(row);
        }
    } else {
        for (int row = 0; row < int(spans.size()); ++row) {
            if (holdsAll(row))
                found.push_back(row);
        }
    }
    if (recent.size() >= RecentQueries)
        recent.erase(recent.begin());
    recent.push_back({typed, found});
    return found;
}

std::vector<int> SearchIndex::Data::typoRows(const Query& query)
{
    // Each row's typo-matched words, one bit per typed word.
    constexpr int MaxTypoWords = 32;
    std::vector<quint32> matched;
    std::vector<int> candidates;
    std::vector<int> checked; // by word: the last typed word it was checked for
    for (int w = 0; w < int(query.words.size()) && w < MaxTypoWords; ++w) {
        const QStringView typed = query.words.at(w);
        if (typed.size() < TypoMinimumLength)
            continue;
        makeWords();
        if (matched.empty()) {
            matched.assign(spans.size(), 0);
            checked.assign(words.size(), -1);
        }
        // A word one typo away begins with the typed word's first or second
        // unit, or has one of them second.
        const QHash<char16_t, std::vector<int>>* const buckets[] = {&wordsByFirst, &wordsBySecond};
        for (const auto* bucket : buckets) {
            for (const QChar unit : {typed.at(0), typed.at(1)}) {
                const auto it = bucket->constFind(unit.unicode());
                if (it == bucket->cend())
                    continue;
                for (const int id : *it) {
                    if (checked[id] == w)
                        continue;
                    checked[id] = w;
                    if (words[id].size() + 1 < typed.size() || !oneTypoFromPrefix(typed, words[id]))
                        continue;
                    for (int p = postingStart[id]; p < postingStart[id + 1]; ++p) {
                        const int row = postings[p];
                        if (matched[row] == 0)
                            candidates.push_back(row);
                        matched[row] |= quint32(1) << w;
                    }
                }
            }
        }
    }
    std::sort(candidates.begin(), candidates.end());
    std::vector<int> found;
    for (const int row : candidates) {
        const QStringView rowKey = key(row);
        bool exact = true;
        bool matches = true;
        for (int w = 0; w < int(query.words.size()) && matches; ++w) {
            if (rowKey.contains(query.words.at(w)))
                continue;
            exact = false;
            matches = w < MaxTypoWords && (matched[row] & (quint32(1) << w));
        }
        if (matches && !exact)
            found.push_back(row);
    }
    return found;
}

MatchClass SearchIndex::Data::classOf(int row, const Query& query) const
{
    const QStringView rowText = TextRules::trimSpaces(text(row));
    if (rowText.startsWith(query.whole))
        return rowText.size() == query.whole.size() ? MatchClass::Equal : MatchClass::TextPrefix;
    const QStringView rowDescriptions = descriptions(row);
    const bool wordPrefix =
        std::all_of(query.words.cbegin(), query.words.cend(), [rowDescriptions](QStringView word) {
            return startsWordIn(rowDescriptions, word);
        });
    return wordPrefix ? MatchClass::WordPrefix : MatchClass::Inside;
}

SearchIndex::SearchIndex()
    : d(std::make_unique<Data>())
{}

SearchIndex::~SearchIndex() = default;

void SearchIndex::setEntries(const QList<SearchEntry>& entries)
{
    d->keys.clear();
    d->spans.clear();
    d->entryKeys.clear();
    qsizetype length = 0;
    for (const SearchEntry& entry : entries)
        length += entry.text.size() + entry.description.size() + entry.otherDescription.size() + 3;
    d->keys.reserve(length + length / 8);
    d->spans.reserve(entries.size());
    d->entryKeys.reserve(entries.size());
    for (const SearchEntry& entry : entries)
        d->append(entry);
    d->changed();
}

void SearchIndex::appendEntry(const SearchEntry& entry)
{
    d->append(entry);
    d->changed();
}

void SearchIndex::replaceEntry(int row, const SearchEntry& entry)
{
    if (row < 0 || row >= size())
        return;
    d->replace(row, entry);
    d->changed();
}

void SearchIndex::removeEntry(int row)
{
    if (row < 0 || row >= size())
        return;
    d->remove(row);
    d->changed();
}

int SearchIndex::size() const
{
    return int(d->spans.size());
}

void SearchIndex::setUse(const QSet<QString>& favourites, const QHash<QString, double>& scores)
{
    d->favourites = favourites;
    d->scores = scores;
    d->useMade = false;
}

void SearchIndex::prepare() const
{
    d->makeUse();
    d->makeWords();
}

namespace {

// The matching rows of a query, best first, handed to emit with their class
// until limit (when not negative) rows are out.
template <typename Data, typename Emit>
void emitRanked(Data& d, const Query& query, int limit, Emit emit)
{
    int count = 0;
    const int rows = int(d.spans.size());
    if (query.words.isEmpty()) {
        for (int row = 0; row < rows && (limit < 0 || count < limit); ++row, ++count)
            emit(row, MatchClass::Inside);
        return;
    }
    d.makeUse();
    std::vector<int> byClass[ClassCount];
    for (const int row : d.rowsHolding(query))
        byClass[int(d.classOf(row, query))].push_back(row);
    byClass[int(MatchClass::Typo)] = d.typoRows(query);

    // Within a class: the used rows by their use, then the others in list order.
    std::vector<int> used;
    for (int c = 0; c < ClassCount; ++c) {
        used.clear();
        for (const int row : byClass[c]) {
            if (d.useRank[row] != NoUse)
                used.push_back(row);
        }
        std::sort(used.begin(), used.end(),
                  [&d](int a, int b) { return d.useRank[a] < d.useRank[b]; });
        for (const int row : used) {
            if (limit >= 0 && count >= limit)
                return;
            emit(row, MatchClass(c));
            ++count;
        }
        for (const int row : byClass[c]) {
            if (d.useRank[row] != NoUse)
                continue;
            if (limit >= 0 && count >= limit)
                return;
            emit(row, MatchClass(c));
            ++count;
        }
    }
}

} // namespace

QList<int> SearchIndex::rank(QStringView typed) const
{
    QList<int> rows;
    emitRanked(*d, Query(typed), -1, [&rows](int row, MatchClass) { rows.append(row); });
    return rows;
}

QList<SearchHit> SearchIndex::hits(QStringView typed, int limit) const
{
    QList<SearchHit> found;
    emitRanked(*d, Query(typed), limit, [&found](int row, MatchClass match) {
        found.append({row, match});
    });
    return found;
}

QList<int> SearchIndex::pickOrder() const
{
    d->makeUse();
    const int rows = size();
    // The favourites, then the most used of the others, then the rest.
    const std::size_t first =
        std::min(d->usedRows.size(), std::size_t(d->favouriteRows) + MostUsedInPick);
    QList<int> order;
    order.reserve(rows);
    for (std::size_t i = 0; i < first; ++i)
        order.append(d->usedRows[i]);
    for (int row = 0; row < rows; ++row) {
        if (d->useRank[row] == NoUse || d->useRank[row] >= first)
            order.append(row);
    }
    return order;
}
