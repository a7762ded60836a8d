#include "search/UseOrder.h"

#include "search/KeyTable.h"

#include <algorithm>

void UseOrder::setUse(const QSet<QString>& favourites, const QHash<QString, double>& scores)
{
    m_favourites = favourites;
    m_scores = scores;
    m_made = false;
}

void UseOrder::make(const std::vector<QString>& entryKeys)
{
    if (m_made)
        return;
    const int rows = int(entryKeys.size());
    // Each used key's use: the favourites, then the other keys with a score.
    KeyTable useByKey;
    std::vector<SearchUse> uses;
    useByKey.reserve(m_favourites.size() + m_scores.size());
    uses.reserve(m_favourites.size() + m_scores.size());
    for (const QString& key : std::as_const(m_favourites)) {
        useByKey.insert(key, int(uses.size()));
        uses.push_back({true, m_scores.value(key, 0.0)});
    }
    for (auto it = m_scores.cbegin(); it != m_scores.cend(); ++it) {
        if (it.value() > 0 && !m_favourites.contains(it.key())) {
            useByKey.insert(it.key(), int(uses.size()));
            uses.push_back({false, it.value()});
        }
    }
    struct Used
    {
        int row;
        SearchUse use;
    };
    std::vector<Used> used;
    // One look-up a row, in a table as small as the use: no order of all the
    // rows by key to make (built-in rows may share a key).
    if (!useByKey.isEmpty()) {
        for (int row = 0; row < rows; ++row) {
            const int use = useByKey.find(entryKeys[std::size_t(row)]);
            if (use != KeyTable::None)
                used.push_back({row, uses[std::size_t(use)]});
        }
    }
    // Rows of the same use in list order.
    std::sort(used.begin(), used.end(), [](const Used& a, const Used& b) {
        if (SearchUse::before(a.use, b.use))
            return true;
        return !SearchUse::before(b.use, a.use) && a.row < b.row;
    });
    m_place.assign(std::size_t(rows), NotUsed);
    m_usedRows.clear();
    m_useOfUsed.clear();
    m_favouriteRows = 0;
    for (const Used& each : used) {
        m_place[std::size_t(each.row)] = quint32(m_usedRows.size());
        m_usedRows.push_back(each.row);
        m_useOfUsed.push_back(each.use);
        m_favouriteRows += each.use.favourite ? 1 : 0;
    }
    m_made = true;
}
