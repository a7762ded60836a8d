#include "search/SearchIndex.h"

#include "search/EmoticonShape.h"
#include "search/EntryKey.h"
#include "search/KeyText.h"
#include "search/MemoryAdvice.h"
#include "search/RecentQueries.h"
#include "search/SearchFold.h"
#include "search/TypedQuery.h"
#include "search/TypoIndex.h"
#include "search/UseOrder.h"

#include "base/TextRules.h"

#include <algorithm>
#include <optional>

namespace {

// Between the fields of a row's key, so that no typed word (the query loses
// its control characters) matches across two fields.
constexpr QChar Separator(0x1f);
constexpr int ClassCount = int(MatchClass::KeywordTypo) + 1;

// Where a row's folded fields lie in the packed keys: its text from start to
// textEnd, its descriptions (both languages, one separator between them)
// from textEnd + 1 to keywordsStart - 1, its keywords (a separator after
// each) from keywordsStart to end.
struct RowSpan
{
    qsizetype start = 0;
    qsizetype textEnd = 0;
    qsizetype keywordsStart = 0;
    qsizetype end = 0;
};

// How a typed word is found in a row, best first; a row is as good as its
// worst word.
enum class Found {
    DescriptionWord, // it starts a word of a description
    KeywordWord,     // it starts a word of a keyword
    Inside,          // it is inside the text or a description
    Typo,            // one typo from a word of the text or a description
    KeywordTypo,     // one typo from a word of a keyword
    Nowhere,
};

} // namespace

struct SearchIndex::Data
{
    QString keys;
    std::vector<RowSpan> spans;
    std::vector<QString> entryKeys; // EntryKey::of each row's text
    // What the entry keys of rows folded before point into.
    std::shared_ptr<const void> held;
    std::vector<quint32> shapes; // shapeHash of each row's text

    // The user's use, and each row's place among the used rows.
    UseOrder use;

    RecentQueries recent;
    TypoIndex typos;

    // The packed fields of a row: [start, end) of keys.
    QStringView slice(qsizetype from, qsizetype to) const
    {
        return QStringView(keys).sliced(from, to - from);
    }
    QStringView key(int row) const { return slice(spans[row].start, spans[row].end); }
    QStringView text(int row) const { return slice(spans[row].start, spans[row].textEnd); }
    QStringView descriptions(int row) const
    {
        return slice(spans[row].textEnd + 1, spans[row].keywordsStart);
    }
    // The text and the descriptions, separators between them.
    QStringView ownFields(int row) const
    {
        return slice(spans[row].start, spans[row].keywordsStart);
    }
    QStringView keywords(int row) const { return slice(spans[row].keywordsStart, spans[row].end); }

    void changed()
    {
        typos.clear();
        use.invalidate();
        recent.clear();
    }

    // Appends the row's folded fields to keys; answers where they lie.
    RowSpan appendKey(const SearchEntry& entry)
    {
        RowSpan span;
        span.start = keys.size();
        span.textEnd = span.start + SearchIndex::appendOwnKey(entry, keys);
        span.keywordsStart = keys.size();
        appendKeywords(entry, span);
        return span;
    }

    void appendKeywords(const SearchEntry& entry, RowSpan& span)
    {
        appendKeywords(entry.keywords, span);
    }

    void appendKeywords(const QStringList& keywords, RowSpan& span)
    {
        for (const QString& keyword : keywords) {
            SearchFold::append(keyword, keys);
            keys.append(Separator);
        }
        span.end = keys.size();
    }

    // A row folded before: its fields copied, its keywords folded here.
    void append(const SearchIndex::FoldedRow& folded)
    {
        RowSpan span;
        span.start = keys.size();
        span.textEnd = span.start + folded.text.size();
        // Stored one after the other, they are copied at once.
        if (folded.rest.data() == folded.text.data() + folded.text.size()) {
            keys.append(folded.text.data(), folded.text.size() + folded.rest.size());
        } else {
            keys.append(folded.text);
            keys.append(folded.rest);
        }
        span.keywordsStart = keys.size();
        if (folded.keywords)
            appendKeywords(*folded.keywords, span);
        else
            span.end = keys.size();
        spans.push_back(span);
        entryKeys.push_back(QString::fromRawData(folded.entryKey.data(), folded.entryKey.size()));
        shapes.push_back(EmoticonShape::hashOf(folded.shape));
    }

    void append(const SearchEntry& entry)
    {
        spans.push_back(appendKey(entry));
        entryKeys.push_back(EntryKey::of(entry.text));
        shapes.push_back(EmoticonShape::hashOf(EmoticonShape::of(text(int(spans.size()) - 1))));
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
        spans[row] = {old.start, old.start + (made.textEnd - made.start),
                      old.start + (made.keywordsStart - made.start), old.start + key.size()};
        shiftAfter(row, delta);
        entryKeys[row] = EntryKey::of(entry.text);
        shapes[row] = EmoticonShape::hashOf(EmoticonShape::of(text(row)));
    }

    void remove(int row)
    {
        const RowSpan old = spans[row];
        keys.remove(old.start, old.end - old.start);
        shiftAfter(row, -(old.end - old.start));
        spans.erase(spans.begin() + row);
        entryKeys.erase(entryKeys.begin() + row);
        shapes.erase(shapes.begin() + row);
    }

    void shiftAfter(int row, qsizetype delta)
    {
        for (std::size_t r = row + 1; r < spans.size(); ++r) {
            spans[r].start += delta;
            spans[r].textEnd += delta;
            spans[r].keywordsStart += delta;
            spans[r].end += delta;
        }
    }

    void makeUse() { use.make(entryKeys); }
    std::vector<int> rowsHolding(const TypedQuery& query);
    TypoIndex::KeyOf keyOf() const
    {
        return [this](int row) { return key(row); };
    }
    bool sameShape(int row, const TypedQuery& query) const
    {
        return query.shapeKey != 0 && shapes[row] == query.shapeKey &&
               EmoticonShape::of(text(row)) == query.shape;
    }
    Found found(int row, QStringView word) const;
    std::optional<MatchClass> classOf(int row, const TypedQuery& query) const;
    std::optional<MatchClass> wordsClassOf(int row, const TypedQuery& query) const;
};

std::vector<int> SearchIndex::Data::rowsHolding(const TypedQuery& query)
{
    QStringList typed;
    for (const QStringView word : query.words)
        typed.append(word.toString());
    typed.sort();
    typed.removeDuplicates();
    if (const std::vector<int>* same = recent.same(typed))
        return *same;
    const std::vector<int>* narrowest = recent.narrowest(typed);
    const auto holdsAll = [&](int row) {
        const QStringView rowKey = key(row);
        return std::all_of(typed.cbegin(), typed.cend(),
                           [rowKey](const QString& word) { return KeyText::holds(rowKey, word); });
    };
    std::vector<int> found;
    if (narrowest) {
        for (const int row : *narrowest) {
            if (holdsAll(row))
                found.push_back(row);
        }
    } else {
        for (int row = 0; row < int(spans.size()); ++row) {
            if (holdsAll(row))
                found.push_back(row);
        }
    }
    recent.remember(typed, found);
    return found;
}

Found SearchIndex::Data::found(int row, QStringView word) const
{
    if (KeyText::startsWordIn(descriptions(row), word))
        return Found::DescriptionWord;
    const QStringView rowKeywords = keywords(row);
    if (KeyText::startsWordIn(rowKeywords, word))
        return Found::KeywordWord;
    const QStringView own = ownFields(row);
    if (KeyText::holds(own, word))
        return Found::Inside;
    if (word.size() < TypoIndex::MinimumLength)
        return Found::Nowhere;
    if (KeyText::oneTypoFromAWordIn(own, word))
        return Found::Typo;
    return KeyText::oneTypoFromAWordIn(rowKeywords, word) ? Found::KeywordTypo : Found::Nowhere;
}

std::optional<MatchClass> SearchIndex::Data::classOf(int row, const TypedQuery& query) const
{
    const QStringView rowText = TextRules::trimSpaces(text(row));
    if (KeyText::startsWith(rowText, query.whole))
        return rowText.size() == query.whole.size() ? MatchClass::Equal : MatchClass::TextPrefix;
    if (sameShape(row, query))
        return MatchClass::Shape;
    return wordsClassOf(row, query);
}

// The class of a row by its worst typed word, or none when a word is
// nowhere in it (inside a keyword but not at a word's start).
std::optional<MatchClass> SearchIndex::Data::wordsClassOf(int row, const TypedQuery& query) const
{
    Found worst = Found::DescriptionWord;
    for (const QStringView word : query.words)
        worst = std::max(worst, found(row, word));
    switch (worst) {
    case Found::DescriptionWord:
        return MatchClass::WordPrefix;
    case Found::KeywordWord:
        return MatchClass::KeywordPrefix;
    case Found::Inside:
        return MatchClass::Inside;
    case Found::Typo:
        return MatchClass::Typo;
    case Found::KeywordTypo:
        return MatchClass::KeywordTypo;
    case Found::Nowhere:
        break;
    }
    return std::nullopt;
}

bool SearchHit::before(const SearchHit& a, const SearchHit& b)
{
    if (a.match != b.match)
        return a.match < b.match;
    return SearchUse::before(a.use, b.use);
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
    d->shapes.clear();
    qsizetype length = 0;
    for (const SearchEntry& entry : entries) {
        length += entry.text.size() + entry.description.size() + entry.otherDescription.size() + 3;
        for (const QString& keyword : entry.keywords)
            length += keyword.size() + 1;
    }
    d->keys.reserve(length + length / 8);
    d->spans.reserve(entries.size());
    d->entryKeys.reserve(entries.size());
    d->shapes.reserve(entries.size());
    for (const SearchEntry& entry : entries)
        d->append(entry);
    d->held.reset();
    d->changed();
}

void SearchIndex::setEntries(qsizetype count, const EntryAt& entryAt)
{
    setEntries(count, entryAt, {}, {});
}

void SearchIndex::setEntries(qsizetype count, const EntryAt& entryAt, const FoldedAt& foldedAt,
                             std::shared_ptr<const void> holder)
{
    d->keys.clear();
    d->spans.clear();
    d->entryKeys.clear();
    d->shapes.clear();
    // The keys grow as they are made: a long buffer grows in place.
    d->spans.reserve(count);
    d->entryKeys.reserve(count);
    d->shapes.reserve(count);
    FoldedRow folded;
    if (foldedAt && count > 0) {
        // Room for the keys as some rows spread over the list take it, and
        // some more: the keys grow where the rows take more.
        constexpr qsizetype Samples = 1024;
        const qsizetype step = std::max<qsizetype>(1, count / Samples);
        qsizetype sampled = 0;
        qsizetype length = 0;
        for (qsizetype row = 0; row < count; row += step, ++sampled) {
            length += foldedAt(row, folded) ? folded.text.size() + folded.rest.size() + 16 : 64;
        }
        length = length / sampled * count;
        d->keys.reserve(length + length / 8);
        MemoryAdvice::willWrite(d->keys.constData(), d->keys.capacity() * qsizetype(sizeof(QChar)));
        MemoryAdvice::willWrite(d->spans.data(), count * qsizetype(sizeof(RowSpan)));
        MemoryAdvice::willWrite(d->entryKeys.data(), count * qsizetype(sizeof(QString)));
    }
    for (qsizetype row = 0; row < count; ++row) {
        if (foldedAt && foldedAt(row, folded))
            d->append(folded);
        else
            d->append(entryAt(row));
    }
    // After the keys that point into what it held before are gone.
    d->held = std::move(holder);
    d->changed();
}

qsizetype SearchIndex::appendOwnKey(const SearchEntry& entry, QString& out)
{
    const qsizetype start = out.size();
    SearchFold::append(entry.text, out);
    const qsizetype textLength = out.size() - start;
    out.append(Separator);
    SearchFold::append(entry.description, out);
    out.append(Separator);
    SearchFold::append(entry.otherDescription, out);
    out.append(Separator);
    return textLength;
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

QStringView SearchIndex::bounded(QStringView typed)
{
    if (typed.size() <= MaxTypedLength)
        return typed;
    // Not inside a surrogate pair.
    const qsizetype end =
        typed.at(MaxTypedLength).isLowSurrogate() ? MaxTypedLength - 1 : MaxTypedLength;
    return typed.first(end);
}

int SearchIndex::size() const
{
    return int(d->spans.size());
}

void SearchIndex::setUse(const QSet<QString>& favourites, const QHash<QString, double>& scores)
{
    d->use.setUse(favourites, scores);
}

void SearchIndex::prepare() const
{
    d->makeUse();
    d->typos.make(size(), d->keyOf());
}

void SearchIndex::prepareFirstQuery() const
{
    d->makeUse();
    d->typos.scanNextQuery();
}

namespace {

// The matching rows of a query, best first, handed to emit with their class
// until limit (when not negative) rows are out; reserve is told first how
// many will be, so that a query that matches every row fills its answer
// without growing it again and again.
template <typename Data, typename Reserve, typename Emit>
void emitRanked(Data& d, const TypedQuery& query, int limit, Reserve reserve, Emit emit)
{
    int count = 0;
    const int rows = int(d.spans.size());
    const auto atMost = [limit](std::size_t all) {
        return qsizetype(limit < 0 ? all : std::min(all, std::size_t(limit)));
    };
    if (query.words.isEmpty()) {
        reserve(atMost(rows));
        for (int row = 0; row < rows && (limit < 0 || count < limit); ++row, ++count)
            emit(row, MatchClass::Inside);
        return;
    }
    d.makeUse();
    std::vector<int> byClass[ClassCount];
    const std::vector<int> holding = d.rowsHolding(query);
    for (const int row : holding) {
        if (const std::optional<MatchClass> match = d.classOf(row, query))
            byClass[int(*match)].push_back(row);
    }
    if (query.shapeKey != 0) {
        // The faces that do not hold the typed text (":)" for ":-)").
        std::vector<int>& shaped = byClass[int(MatchClass::Shape)];
        const std::size_t held = shaped.size();
        for (int row = 0; row < rows; ++row) {
            if (d.shapes[row] == query.shapeKey && d.sameShape(row, query) &&
                !std::binary_search(holding.cbegin(), holding.cend(), row))
                shaped.push_back(row);
        }
        std::inplace_merge(shaped.begin(), shaped.begin() + held, shaped.end());
    }
    for (const int row : d.typos.rows(query.words, rows, d.keyOf())) {
        if (const std::optional<MatchClass> match = d.wordsClassOf(row, query))
            byClass[int(*match)].push_back(row);
    }

    std::size_t matched = 0;
    for (const std::vector<int>& each : byClass)
        matched += each.size();
    reserve(atMost(matched));

    // Within a class: the used rows by their use, then the others in list order.
    std::vector<int> used;
    for (int c = 0; c < ClassCount; ++c) {
        used.clear();
        for (const int row : byClass[c]) {
            if (d.use.placeOf(row) != UseOrder::NotUsed)
                used.push_back(row);
        }
        std::sort(used.begin(), used.end(),
                  [&d](int a, int b) { return d.use.placeOf(a) < d.use.placeOf(b); });
        for (const int row : used) {
            if (limit >= 0 && count >= limit)
                return;
            emit(row, MatchClass(c));
            ++count;
        }
        for (const int row : byClass[c]) {
            if (d.use.placeOf(row) != UseOrder::NotUsed)
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
    emitRanked(
        *d, TypedQuery(typed), -1, [&rows](qsizetype count) { rows.reserve(count); },
        [&rows](int row, MatchClass) { rows.append(row); });
    return rows;
}

QList<SearchHit> SearchIndex::hits(QStringView typed, int limit) const
{
    d->makeUse();
    // Filled in place: every row of a long list may match.
    QList<SearchHit> found;
    SearchHit* next = nullptr;
    emitRanked(
        *d, TypedQuery(typed), limit,
        [&found, &next](qsizetype count) {
            found.resize(count);
            next = found.data();
        },
        [this, &next](int row, MatchClass match) {
            *next++ = {row, match, d->use.useOf(row)};
        });
    found.resize(next ? next - found.constData() : 0);
    return found;
}

QList<int> SearchIndex::pickOrder() const
{
    d->makeUse();
    const int rows = size();
    // The favourites, then the most used of the others, then the rest.
    const std::vector<int>& used = d->use.usedRows();
    const std::size_t first =
        std::min(used.size(), std::size_t(d->use.favourites()) + MostUsedInPick);
    QList<int> order;
    order.reserve(rows);
    for (std::size_t i = 0; i < first; ++i)
        order.append(used[i]);
    for (int row = 0; row < rows; ++row) {
        const quint32 place = d->use.placeOf(row);
        if (place == UseOrder::NotUsed || place >= first)
            order.append(row);
    }
    return order;
}
