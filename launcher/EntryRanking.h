#pragma once

#include "LauncherEntry.h"

#include <QList>
#include <QString>

// The one place the service asks for the ranked entries of a query, over
// both lists and both languages at once, and tells of a use.
class EntryRanking
{
public:
    struct Match
    {
        qsizetype index = 0; // into the entries given to setEntries
        // 1 for the best possible match (the text itself), falling towards
        // 0 with the match's class and place in the ranking.
        double relevance = 0;
        bool exact = false; // the query is the entry's text
    };

    EntryRanking();
    ~EntryRanking();
    EntryRanking(const EntryRanking&) = delete;
    EntryRanking& operator=(const EntryRanking&) = delete;

    void setEntries(const QList<LauncherEntry>& entries);

    // At most limit matches of query, best first; none for a blank query.
    QList<Match> rank(const QString& query, qsizetype limit) const;

    // The entry was copied or typed through the service.
    void recordUse(const LauncherEntry& entry);

private:
    struct Folded;
    QList<Folded> m_folded;
};
