#pragma once

#include "search/SearchEntry.h"
#include "search/SearchUse.h"
#include "search/TypoIndex.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <memory>

// How well an entry matches the typed text, best first. A keyword matches as
// a word of a description does, a class below it.
enum class MatchClass : std::uint8_t {
    Equal,         // the entry text is the typed text
    TextPrefix,    // the entry text starts with it
    Shape,         // the typed smiley is the text's, noses aside (EmoticonShape)
    WordPrefix,    // each typed word starts a word of a description
    KeywordPrefix, // each typed word starts a word of a description or keyword
    Inside,        // each typed word is inside the text or a description, or
                   // starts a word of a keyword
    Typo,          // as Inside, with one typo in a typed word of four letters
                   // or more, in the text or a description
    KeywordTypo,   // as Typo, the typo in a keyword
};

struct SearchHit
{
    int row = -1;
    MatchClass match = MatchClass::Inside;
    SearchUse use; // the row's, as setUse gave it

    // The ranking's order of hits, list order aside: by match class, then
    // by use (SearchUse::before). Hits of two lists merge by it.
    static bool before(const SearchHit& a, const SearchHit& b);
};

// The search over one catalogue list: the rows' folded texts and a word
// index, made once, and the user's use of the rows, so that each keystroke
// only walks the texts once (fewer while a word grows) and orders the
// matching rows by their match class, then favourites first, then by use,
// then by list order.
//
// Rows are the list's rows in list order. Not for use from two threads at
// once: a query keeps what it found to narrow the next one.
class SearchIndex
{
public:
    SearchIndex();
    ~SearchIndex();
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    // The list's rows, all at once (a load, a language switch).
    void setEntries(const QList<SearchEntry>& entries);
    // The same from count rows made one at a time: a start with long lists
    // makes no list of them all first.
    using EntryAt = std::function<SearchEntry(qsizetype row)>;
    void setEntries(qsizetype count, const EntryAt& entryAt);

    // A row's fields as the index folds them, made before (a stored copy of
    // a start's rows), so that a start folds and allocates nothing for it:
    // what ownKey() appends, cut after the text, the entry key
    // (EntryKey::of) and the shape of the folded text (EmoticonShape); and
    // the row's keywords, folded here (null: none).
    struct FoldedRow
    {
        QStringView text;
        QStringView rest;
        QStringView entryKey;
        QStringView shape;
        const QStringList* keywords = nullptr;
    };
    // The row's folding when it was made before; false to fold it here.
    using FoldedAt = std::function<bool(qsizetype row, FoldedRow& folded)>;
    // The same, the rows foldedAt answers taken from it alone (entryAt is
    // not asked for them); holder keeps what its views point into.
    void setEntries(qsizetype count, const EntryAt& entryAt, const FoldedAt& foldedAt,
                    std::shared_ptr<const void> holder);
    // The folded text and descriptions of an entry, as the index keeps them
    // before its keywords: appended to out; answers where the text ends.
    static qsizetype appendOwnKey(const SearchEntry& entry, QString& out);
    // One row added at the end, changed, or removed (Add, Edit, Remove).
    void appendEntry(const SearchEntry& entry);
    void replaceEntry(int row, const SearchEntry& entry);
    void removeEntry(int row);
    int size() const;

    // The user's use by entry key (EntryKey::of): the marked entries and
    // the usage scores, as FavouriteStore::keys and UsageStore::scores give
    // them. Rows whose key is in neither rank by list order alone.
    void setUse(const QSet<QString>& favourites, const QHash<QString, double>& scores);

    // Makes now what the first keystrokes would otherwise make (the order of
    // the used rows, the word index of the typo pass): when the filter opens.
    void prepare() const;
    // What a start makes before its first answer: the order of the used
    // rows; that answer reads the keys for its typos rather than wait for
    // the typo index, which prepare() or the next query makes.
    void prepareFirstQuery() const;

    // The rows that match the typed text, best first; all rows in list order
    // when it holds no word. Blanks separate the typed words.
    QList<int> rank(QStringView typed) const;
    // The same with each row's match class; at most limit hits when limit >= 0.
    QList<SearchHit> hits(QStringView typed, int limit = -1) const;

    // The order of the empty filter in pick mode: the favourites, then the
    // most used rows (at most MostUsedInPick), then the rest in list order.
    QList<int> pickOrder() const;
    static constexpr int MostUsedInPick = 10;

    // The shortest typed word that matches with one typo.
    static constexpr int TypoMinimumLength = TypoIndex::MinimumLength;

    // What a query takes of the typed text, generously more than a person
    // types: its first MaxTypedLength units, of those its first MaxTypedWords
    // words; the rest is ignored, so that no query costs more than these.
    static constexpr qsizetype MaxTypedLength = 256;
    static constexpr qsizetype MaxTypedWords = 16;
    static QStringView bounded(QStringView typed);

private:
    struct Data;
    std::unique_ptr<Data> d;
};
