#include "search/RecentQueries.h"

#include <algorithm>
#include <iterator>

const std::vector<int>* RecentQueries::same(const QStringList& words)
{
    for (auto it = m_found.rbegin(); it != m_found.rend(); ++it) {
        if (it->words == words) {
            Found found = std::move(*it);
            m_found.erase(std::next(it).base());
            m_found.push_back(std::move(found));
            return &m_found.back().rows;
        }
    }
    return nullptr;
}

const std::vector<int>* RecentQueries::narrowest(const QStringList& words) const
{
    // A query whose every word holds one of an earlier query's words can
    // only match rows that the earlier one matched; the latest first on a tie.
    const Found* narrowest = nullptr;
    for (auto it = m_found.rbegin(); it != m_found.rend(); ++it) {
        const bool narrows =
            std::all_of(it->words.cbegin(), it->words.cend(), [&](const QString& earlier) {
                return std::any_of(words.cbegin(), words.cend(),
                                   [&](const QString& word) { return word.contains(earlier); });
            });
        if (narrows && (!narrowest || it->rows.size() < narrowest->rows.size()))
            narrowest = &*it;
    }
    return narrowest ? &narrowest->rows : nullptr;
}

std::size_t RecentQueries::Found::bytes() const
{
    // A word's text and the list's and string's own share of it.
    std::size_t total = rows.size() * sizeof(int);
    for (const QString& word : words)
        total += std::size_t(word.size()) * sizeof(QChar) + 2 * sizeof(void*) + sizeof(QString);
    return total;
}

void RecentQueries::remember(const QStringList& words, const std::vector<int>& rows)
{
    Found found{words, rows};
    const std::size_t bytes = found.bytes();
    if (bytes > MaxBytes)
        return;
    while (!m_found.empty() && (m_found.size() >= Kept || m_bytes + bytes > MaxBytes)) {
        m_bytes -= m_found.front().bytes();
        m_found.erase(m_found.begin());
    }
    m_bytes += bytes;
    m_found.push_back(std::move(found));
}
