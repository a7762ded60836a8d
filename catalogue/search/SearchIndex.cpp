#include "SearchIndex.h"

#include "EntryKey.h"
#include "SearchFold.h"

#include <TextRules.h>

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

    // The distinct words of all keys and the rows that hold each, for the
    // typo pass; made when a query first needs it.
    bool wordsMade = false;
    std::vector<QStringView> words;
    std::vector<std::vector<int>> wordRows;

    // The user's use, and each row's place among the used rows.
    QSet<QString> favourites;
    QHash<QString, double> scores;
    bool useMade = false;
    std::vector<quint32> useRank;
    int favouriteRows = 0;
    int usedRows = 0;

    // The last query's words and the rows that held them all, which a
    // longer query only has to search again.
    QStringList lastWords;
    std::vector<int> lastRows;
    bool lastValid = false;

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

    static QString keyOf(const SearchEntry& entry)
    {
        QString key;
        key.reserve(entry.text.size() + entry.description.size() + entry.otherDescription.size() +
                    3);
        SearchFold::append(entry.text, key);
        key.append(Separator);
        SearchFold::append(entry.description, key);
        key.append(Separator);
        SearchFold::append(entry.otherDescription, key);
        key.append(Separator);
        return key;
    }

    void changed()
    {
        wordsMade = false;
        words.clear();
        wordRows.clear();
        useMade = false;
        lastValid = false;
    }

    void append(const SearchEntry& entry)
    {
        const QString key = keyOf(entry);
        RowSpan span;
        span.start = keys.size();
        span.textEnd = span.start + key.indexOf(Separator);
        keys.append(key);
        span.end = keys.size();
        spans.push_back(span);
        entryKeys.push_back(EntryKey::of(entry.text));
    }

    // Puts replacement where row's key is (nothing: the row goes).
    void splice(int row, const QString& replacement)
    {
        const RowSpan old = spans[row];
        const qsizetype delta = replacement.size() - (old.end - old.start);
        keys.replace(old.start, old.end - old.start, replacement);
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
    QHash<QStringView, int> ids;
    for (int row = 0; row < int(spans.size()); ++row) {
        const QStringView rowKey = key(row);
        qsizetype i = 0;
        while (i < rowKey.size()) {
            while (i < rowKey.size() && !isWordUnit(rowKey.at(i)))
                ++i;
            const qsizetype start = i;
            while (i < rowKey.size() && isWordUnit(rowKey.at(i)))
                ++i;
            if (i == start)
                break;
            const QStringView word = rowKey.sliced(start, i - start);
            auto found = ids.find(word);
            if (found == ids.end()) {
                found = ids.insert(word, int(words.size()));
                words.push_back(word);
                wordRows.emplace_back();
            }
            std::vector<int>& rows = wordRows[*found];
            if (rows.empty() || rows.back() != row)
                rows.push_back(row);
        }
    }
    wordsMade = true;
}

void SearchIndex::Data::makeUse()
{
    if (useMade)
        return;
    const int rows = int(spans.size());
    useRank.assign(rows, NoUse);
    struct Used
    {
        int row;
        bool favourite;
        double score;
    };
    std::vector<Used> used;
    if (!favourites.isEmpty() || !scores.isEmpty()) {
        for (int row = 0; row < rows; ++row) {
            const bool marked = favourites.contains(entryKeys[row]);
            const double score = scores.value(entryKeys[row], 0.0);
            if (marked || score > 0)
                used.push_back({row, marked, score});
        }
    }
    std::sort(used.begin(), used.end(), [](const Used& a, const Used& b) {
        if (a.favourite != b.favourite)
            return a.favourite;
        if (a.score != b.score)
            return a.score > b.score;
        return a.row < b.row;
    });
    favouriteRows = 0;
    for (std::size_t place = 0; place < used.size(); ++place) {
        useRank[used[place].row] = quint32(place);
        favouriteRows += used[place].favourite ? 1 : 0;
    }
    usedRows = int(used.size());
    useMade = true;
}

std::vector<int> SearchIndex::Data::rowsHolding(const Query& query)
{
    const auto holdsAll = [&](int row) {
        const QStringView rowKey = key(row);
        return std::all_of(query.words.cbegin(), query.words.cend(),
                           [rowKey](QStringView word) { return rowKey.contains(word); });
    };
    // A query whose every word holds one of the last query's words can only
    // match rows that the last query matched.
    const bool narrows =
        lastValid && std::all_of(lastWords.cbegin(), lastWords.cend(), [&](const QString& last) {
            return std::any_of(query.words.cbegin(), query.words.cend(),
                               [&](QStringView word) { return word.contains(last); });
        });
    std::vector<int> found;
    if (narrows) {
        for (const int row : lastRows) {
            if (holdsAll(row))
                found.push_back(row);
        }
    } else {
        for (int row = 0; row < int(spans.size()); ++row) {
            if (holdsAll(row))
                found.push_back(row);
        }
    }
    lastWords.clear();
    for (const QStringView word : query.words)
        lastWords.append(word.toString());
    lastRows = found;
    lastValid = true;
    return found;
}

std::vector<int> SearchIndex::Data::typoRows(const Query& query)
{
    // Each row's typo-matched words, one bit per typed word.
    constexpr int MaxTypoWords = 32;
    std::vector<quint32> matched;
    std::vector<int> candidates;
    for (int w = 0; w < int(query.words.size()) && w < MaxTypoWords; ++w) {
        const QStringView typed = query.words.at(w);
        if (typed.size() < TypoMinimumLength)
            continue;
        makeWords();
        if (matched.empty())
            matched.assign(spans.size(), 0);
        for (std::size_t id = 0; id < words.size(); ++id) {
            if (words[id].size() + 1 < typed.size() || !oneTypoFromPrefix(typed, words[id]))
                continue;
            for (const int row : wordRows[id]) {
                if (matched[row] == 0)
                    candidates.push_back(row);
                matched[row] |= quint32(1) << w;
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
    const QString key = Data::keyOf(entry);
    d->splice(row, key);
    RowSpan& span = d->spans[row];
    span.textEnd = span.start + key.indexOf(Separator);
    span.end = span.start + key.size();
    d->entryKeys[row] = EntryKey::of(entry.text);
    d->changed();
}

void SearchIndex::removeEntry(int row)
{
    if (row < 0 || row >= size())
        return;
    d->splice(row, QString());
    d->spans.erase(d->spans.begin() + row);
    d->entryKeys.erase(d->entryKeys.begin() + row);
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

QList<int> SearchIndex::rank(QStringView typed) const
{
    const QList<SearchHit> found = hits(typed);
    QList<int> rows;
    rows.reserve(found.size());
    for (const SearchHit& hit : found)
        rows.append(hit.row);
    return rows;
}

QList<SearchHit> SearchIndex::hits(QStringView typed, int limit) const
{
    const Query query(typed);
    QList<SearchHit> out;
    const int rows = size();
    if (query.words.isEmpty()) {
        const int count = limit >= 0 ? std::min(limit, rows) : rows;
        out.reserve(count);
        for (int row = 0; row < count; ++row)
            out.append({row, MatchClass::Inside});
        return out;
    }
    d->makeUse();
    std::vector<int> byClass[ClassCount];
    for (const int row : d->rowsHolding(query))
        byClass[int(d->classOf(row, query))].push_back(row);
    byClass[int(MatchClass::Typo)] = d->typoRows(query);

    // Within a class: the used rows by their use, then the others in list order.
    std::vector<int> used;
    for (int c = 0; c < ClassCount; ++c) {
        if (limit >= 0 && out.size() >= limit)
            break;
        used.clear();
        for (const int row : byClass[c]) {
            if (d->useRank[row] != NoUse)
                used.push_back(row);
        }
        std::sort(used.begin(), used.end(),
                  [this](int a, int b) { return d->useRank[a] < d->useRank[b]; });
        for (const int row : used)
            out.append({row, MatchClass(c)});
        for (const int row : byClass[c]) {
            if (d->useRank[row] == NoUse)
                out.append({row, MatchClass(c)});
        }
    }
    if (limit >= 0 && out.size() > limit)
        out.resize(limit);
    return out;
}

QList<int> SearchIndex::pickOrder() const
{
    d->makeUse();
    const int rows = size();
    std::vector<int> used;
    used.reserve(d->usedRows);
    for (int row = 0; row < rows; ++row) {
        if (d->useRank[row] != NoUse)
            used.push_back(row);
    }
    std::sort(used.begin(), used.end(),
              [this](int a, int b) { return d->useRank[a] < d->useRank[b]; });
    // The favourites, then the most used of the others.
    const std::size_t first = std::min(used.size(), std::size_t(d->favouriteRows) + MostUsedInPick);
    QList<int> order;
    order.reserve(rows);
    std::vector<bool> placed(rows, false);
    for (std::size_t i = 0; i < first; ++i) {
        order.append(used[i]);
        placed[used[i]] = true;
    }
    for (int row = 0; row < rows; ++row) {
        if (!placed[row])
            order.append(row);
    }
    return order;
}
