#include "SearchIndex.h"

struct SearchIndex::Data
{
    QList<SearchEntry> entries;
};

SearchIndex::SearchIndex()
    : d(std::make_unique<Data>())
{}

SearchIndex::~SearchIndex() = default;

void SearchIndex::setEntries(const QList<SearchEntry>& entries)
{
    d->entries = entries;
}

void SearchIndex::appendEntry(const SearchEntry& entry)
{
    d->entries.append(entry);
}

void SearchIndex::replaceEntry(int row, const SearchEntry& entry)
{
    d->entries[row] = entry;
}

void SearchIndex::removeEntry(int row)
{
    d->entries.remove(row);
}

int SearchIndex::size() const
{
    return int(d->entries.size());
}

void SearchIndex::setUse(const QSet<QString>&, const QHash<QString, double>&) {}

QList<int> SearchIndex::rank(QStringView typed) const
{
    QList<int> rows;
    for (const SearchHit& hit : hits(typed))
        rows.append(hit.row);
    return rows;
}

QList<SearchHit> SearchIndex::hits(QStringView, int) const
{
    return {};
}

QList<int> SearchIndex::pickOrder() const
{
    return {};
}
