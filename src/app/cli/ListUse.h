#pragma once

#include "app/cli/EntryListing.h"
#include "app/cli/KeySieve.h"
#include "app/cli/ListLines.h"
#include "search/EntryKey.h"

#include <QByteArray>

#include <vector>

// The user's use of one list's entries in a listing: the stores' tables,
// and the sieves of their keys that most entries pass without a look-up.
// It only reads, so that two threads can each ask it of half the entries.
class ListUse
{
public:
    // Of the list l (0 smileys, 1 acronyms); use outlives this.
    ListUse(const EntryListing::Use& use, int l);

    // What the use of the entries at places from to to adds: their lines
    // to be shown first and, lying in extra, their own keywords, in place order.
    struct Found
    {
        std::vector<ListLines::Held> favourites;
        std::vector<ListLines::Held> used;
        QByteArray extra;
        std::vector<ListLines::Insertion> insertions;
    };
    Found of(const ListLines& lines, qsizetype from, qsizetype to) const;

private:
    const QSet<QString>& m_favourites;
    const QHash<QString, double>& m_scores;
    const ListKind m_kind;
    const int m_list;
    const bool m_anyUse;
    const KeywordStore* const m_own;
    const KeySieve m_used;
    const KeySieve m_keyworded;
};
