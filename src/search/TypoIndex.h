#pragma once

#include <QHash>
#include <QList>
#include <QStringView>

#include <functional>
#include <vector>

// The typo pass of the search: the distinct words of the rows' folded keys
// and the rows that hold each, so that a typed word finds the words one typo
// away from it (one letter inserted, left out, replaced, or two adjacent
// ones swapped) among those that share its first or second unit, without
// reading every row's key.
//
// The words are views into the keys: cleared whenever the keys change.
class TypoIndex
{
public:
    // The shortest typed word that matches with one typo.
    static constexpr int MinimumLength = 4;
    // The most typed words a query matches with typos.
    static constexpr int MaxTypoWords = 32;

    // Whether typed is one typo away from a beginning of word (one letter
    // inserted, left out, replaced, or two adjacent ones swapped) without
    // being a beginning of it already.
    static bool oneTypoFromPrefix(QStringView typed, QStringView word);

    // Row row's folded key.
    using KeyOf = std::function<QStringView(int row)>;

    // Reads the words of rowCount rows' keys, unless read already (a query
    // reads them when it first needs them).
    void make(int rowCount, const KeyOf& keyOf);
    // Until the keys change: the next query that needs the words reads the
    // keys instead of making the index first, which a start's first answer
    // would otherwise wait for; make() or the query after makes it.
    void scanNextQuery();
    void clear();

    // The rows, ascending, whose key holds every typed word, or for those of
    // MinimumLength or more a word they are one typo away from beginning,
    // and not all of them exactly.
    std::vector<int> rows(const QList<QStringView>& typed, int rowCount, const KeyOf& keyOf);

private:
    // Whether word of a key (with a letter) is one typo from typed, as a
    // word the index holds is.
    static bool oneTypoFrom(QStringView typed, QStringView word);
    // The rows whose key holds a word one typo from typed word w, as bits.
    void scan(const QList<QStringView>& typed, int rowCount, const KeyOf& keyOf,
              std::vector<quint32>& matched, std::vector<int>& candidates) const;

    bool m_scanNext = false;
    // The distinct words (with a letter: no typo in numbers) of all keys,
    // the rows that hold each (word w: m_postings from m_postingStart[w] to
    // m_postingStart[w + 1]), and the words by their first and by their
    // second unit, where one typo leaves a trace.
    bool m_made = false;
    std::vector<QStringView> m_words;
    std::vector<int> m_postingStart;
    std::vector<int> m_postings;
    QHash<char16_t, std::vector<int>> m_wordsByFirst;
    QHash<char16_t, std::vector<int>> m_wordsBySecond;
};
