#include "app/cli/KeySieve.h"

#include "search/KeyTable.h"

KeySieve::KeySieve(const QSet<QString>& favourites, const QHash<QString, double>& scores)
{
    size(favourites.size() + scores.size());
    for (const QString& key : favourites)
        set(KeyTable::hashOf(key));
    for (auto it = scores.keyBegin(); it != scores.keyEnd(); ++it)
        set(KeyTable::hashOf(*it));
}

KeySieve::KeySieve(const std::vector<QString>& keys)
{
    size(qsizetype(keys.size()));
    for (const QString& key : keys)
        set(KeyTable::hashOf(key));
}

void KeySieve::size(qsizetype keys)
{
    // About 16 bits a key: about one entry in 16 not in use is looked up.
    qsizetype bits = 1024;
    while (bits < 16 * keys)
        bits *= 2;
    m_bits.resize(bits / 64);
    m_mask = bits - 1;
}

bool KeySieve::mayHold(size_t hash) const
{
    const size_t bit = hash & m_mask;
    return m_bits[bit / 64] & (quint64(1) << (bit % 64));
}

void KeySieve::set(size_t hash)
{
    const size_t bit = hash & m_mask;
    m_bits[bit / 64] |= quint64(1) << (bit % 64);
}
