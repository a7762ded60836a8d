#pragma once

#include "search/HashBits.h"

#include <QStringView>

#include <vector>

// Entry keys to small numbers, for the look-ups a start makes once for each
// of a long list's rows (its use, its keywords): an open-addressing table of
// views with a hash of a few instructions a unit, where a QHash of strings
// hashes each key through a keyed hash many times slower. The keys are
// views: what they point into outlives the table. The hash is seeded per
// process, as QHash's is.
class KeyTable
{
public:
    static constexpr int None = -1;

    // Room for count keys without growing.
    void reserve(qsizetype count);
    // Maps key to value (not negative) unless it has one already.
    void insert(QStringView key, int value);
    // The key's value, or None.
    int find(QStringView key) const;
    bool isEmpty() const { return m_count == 0; }
    void clear();
    // A key's hash as the table takes it, for a sieve of keys before it.
    static quint64 hashOf(QStringView key);

private:
    struct Slot
    {
        const QChar* units = nullptr;
        qsizetype size = 0;
        quint64 hash = 0;
        int value = None;
    };
    void grow(std::size_t slots);

    std::vector<Slot> m_slots;
    // A bit for each key held, eight for each slot (sixteen or more a key):
    // a key the table does not hold is told by its bit alone, most of the
    // time, without a probe of the slots, which in a long table misses the
    // cache. A start looks up every row of a long list in a table as small
    // as the use or the keywords. Its bits come from the hash's upper half,
    // the slots from its lower.
    HashBits m_present;
    qsizetype m_count = 0;
};
