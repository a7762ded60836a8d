#include "app/cli/KeySieve.h"

#include "search/KeyTable.h"

KeySieve::KeySieve(const QSet<QString>& favourites, const QHash<QString, double>& scores)
{
    size(favourites.size() + scores.size());
    for (const QString& key : favourites)
        m_bits.add(KeyTable::hashOf(key));
    for (auto it = scores.keyBegin(); it != scores.keyEnd(); ++it)
        m_bits.add(KeyTable::hashOf(*it));
}

KeySieve::KeySieve(const std::vector<QString>& keys)
{
    size(qsizetype(keys.size()));
    for (const QString& key : keys)
        m_bits.add(KeyTable::hashOf(key));
}

void KeySieve::size(qsizetype keys)
{
    // About 16 bits a key: about one entry in 16 not in use is looked up.
    qsizetype bits = 1024;
    while (bits < 16 * keys)
        bits *= 2;
    m_bits.resize(std::size_t(bits));
}
