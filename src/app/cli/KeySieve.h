#pragma once

#include "search/HashBits.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <vector>

// The keys of the entries in use (or given keywords), as a bit for each key's hash: of a long
// list only a few entries are in use, and most of the others are told
// apart by that bit alone, without a look-up in the stores' tables.
class KeySieve
{
public:
    KeySieve(const QSet<QString>& favourites, const QHash<QString, double>& scores);
    explicit KeySieve(const std::vector<QString>& keys);
    // hash: KeyTable::hashOf the key.
    bool mayHold(size_t hash) const { return m_bits.mayHold(hash); }

private:
    // Room for keys keys.
    void size(qsizetype keys);

    HashBits m_bits;
};
