#pragma once

#include "search/BilingualEntry.h"
#include "search/SearchIndex.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <memory>

class FavouriteStore;
class UsageStore;

// The one place the service asks the search core for the ranked entries of a
// query: both lists searched in both languages at once, and merged as the
// core orders each (SearchHit::before, then list order, smileys first on a
// tie).
// Uses are recorded through the core's usage store, which the window reads
// too; the favourites are the window's, read and never written here.
class EntryRanking
{
public:
    struct Hit
    {
        qsizetype index = 0; // into the entries given to setEntries
        MatchClass match = MatchClass::Inside;
        SearchUse use; // the entry's favourite mark and usage score
    };

    // favouritesPath beside the list files, usagePath in the state folder.
    EntryRanking(const QString& favouritesPath, const QString& usagePath, int language);
    ~EntryRanking();
    EntryRanking(const EntryRanking&) = delete;
    EntryRanking& operator=(const EntryRanking&) = delete;

    // Makes the indexes with what the first query needs (the typo index
    // aside: prepare() makes it, once that query is answered).
    void setEntries(const QList<BilingualEntry>& entries);
    // The same, with the entries folded before (by their index into
    // entries) taken from folded, which holder keeps alive.
    void setEntries(const QList<BilingualEntry>& entries, const SearchIndex::FoldedAt& folded,
                    const std::shared_ptr<const void>& holder);
    void prepare();

    // At most limit hits of query, best first; none for a blank query.
    QList<Hit> rank(const QString& query, qsizetype limit);

    // The entry was copied or typed through the service, or picked in a
    // host that copied it itself.
    void recordUse(const BilingualEntry& entry);

    // Writes the uses not written yet (the service's end).
    void flush();

private:
    struct StoreFile
    {
        QString path;
        QDateTime modified;
        qint64 size = -1;
        bool changedOnDisk();
    };
    // Reads the stores again when the window (or another service) wrote them.
    void catchUpWithStores();
    void applyUse();

    int m_language;
    std::array<std::unique_ptr<SearchIndex>, 2> m_indexes;
    // Each list's rows: indexes into the entries.
    std::array<QList<qsizetype>, 2> m_rows;
    std::unique_ptr<FavouriteStore> m_favourites;
    std::unique_ptr<UsageStore> m_usage;
    StoreFile m_favouritesFile;
};
