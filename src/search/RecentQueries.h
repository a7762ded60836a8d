#pragma once

#include <QStringList>

#include <cstddef>
#include <vector>

// The last queries' words and the rows that held them all, so that the same
// query again (a word deleted back) answers at once and a longer one only
// has to search the rows of the closest. Words are folded, sorted and
// without repeats, as SearchIndex gives them; rows ascending.
class RecentQueries
{
public:
    static constexpr std::size_t Kept = 12;
    // And no more than this held in all: the oldest go first, and rows of
    // more than this are not kept at all.
    static constexpr std::size_t MaxBytes = 4 * 1024 * 1024;

    // The rows the same words found, which become the latest; null when no
    // recent query had them.
    const std::vector<int>* same(const QStringList& words);
    // The fewest rows of a recent query whose every word is inside one of
    // words: the only rows that can hold them all; null when none narrows.
    const std::vector<int>* narrowest(const QStringList& words) const;
    // What words found, as the latest; the oldest goes beyond Kept or
    // MaxBytes.
    void remember(const QStringList& words, const std::vector<int>& rows);
    // The rows changed.
    void clear()
    {
        m_found.clear();
        m_bytes = 0;
    }
    // What the kept queries hold, in bytes.
    std::size_t bytes() const { return m_bytes; }

private:
    struct Found
    {
        QStringList words;
        std::vector<int> rows;
        std::size_t bytes() const;
    };
    std::vector<Found> m_found; // the latest last
    std::size_t m_bytes = 0;
};
