#pragma once

#include "search/SearchUse.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <limits>
#include <vector>

// The rows of a list that the user uses, in the ranking's order by use: the
// favourites first, then the other rows with a score, higher first, rows of
// the same use in list order. Made from each row's entry key when first
// asked after the use or the rows changed.
class UseOrder
{
public:
    // The place of a row not in use.
    static constexpr quint32 NotUsed = std::numeric_limits<quint32>::max();

    void setUse(const QSet<QString>& favourites, const QHash<QString, double>& scores);
    // The rows changed: made again at the next make().
    void invalidate() { m_made = false; }
    // For rows of these entry keys (EntryKey::of each row's text), unless
    // made since the last change.
    void make(const std::vector<QString>& entryKeys);

    // The row's place among the used rows, or NotUsed.
    quint32 placeOf(int row) const { return m_place[row]; }
    SearchUse useOf(int row) const
    {
        return m_place[row] == NotUsed ? SearchUse() : m_useOfUsed[m_place[row]];
    }
    // The used rows, best first; the favourites are the first favourites().
    const std::vector<int>& usedRows() const { return m_usedRows; }
    int favourites() const { return m_favouriteRows; }

private:
    QSet<QString> m_favourites;
    QHash<QString, double> m_scores;
    bool m_made = false;
    std::vector<quint32> m_place;
    std::vector<int> m_usedRows;
    std::vector<SearchUse> m_useOfUsed; // by the same place
    int m_favouriteRows = 0;
};
