#include "app/cli/DuplicateSieve.h"

#include "base/TextRules.h"
#include "lists/DuplicateRule.h"
#include "search/KeyTable.h"

DuplicateSieve::DuplicateSieve(const QSet<QString>& builtInKeys, qint64 expected)
    : m_builtInKeys(builtInKeys)
{
    // About 16 bits a text: about one text in 16 is looked at again.
    size_t bits = 4096;
    while (bits < size_t(16 * (expected + builtInKeys.size())) && bits < (size_t(1) << 26))
        bits *= 2;
    m_mask = bits - 1;
    m_standing.resize(bits / 64);
    m_met.resize(bits / 64);
    m_bitOf.reserve(size_t(expected));
    for (const QString& key : builtInKeys)
        set(m_standing, KeyTable::hashOf(key));
}

void DuplicateSieve::add(QStringView text, size_t bareHash)
{
    size_t standing = bareHash;
    if (DuplicateRule::isSpaced(text)) {
        m_fold.resize(0);
        TextRules::appendFolded(m_fold, text);
        standing = KeyTable::hashOf(m_fold);
    }
    // The word of the text's bit is fetched now and the text taken at the
    // next add: the fetch is over by then, where a look-up at once waited
    // for it (a long list's bits are more than the cache keeps).
    __builtin_prefetch(&m_standing[(bareHash & m_mask) / 64], 1);
    takePending();
    m_pending = {bareHash, standing};
}

void DuplicateSieve::takePending()
{
    if (!m_pending)
        return;
    const auto [bareHash, standing] = *m_pending;
    m_pending.reset();
    if (isSet(m_standing, bareHash)) {
        m_suspects.push_back(qsizetype(m_bitOf.size()));
        set(m_met, bareHash);
    }
    set(m_standing, standing);
    m_bitOf.push_back(quint32(standing & m_mask));
}

std::vector<qsizetype> DuplicateSieve::leftOut(const std::function<QStringView(qsizetype)>& textAt)
{
    takePending();
    std::vector<qsizetype> out;
    if (m_suspects.empty())
        return out;
    DuplicateRule::LoadedTexts loaded(m_builtInKeys);
    auto suspect = m_suspects.begin();
    for (qsizetype i = 0; i < qsizetype(m_bitOf.size()); ++i) {
        const bool isSuspect = suspect != m_suspects.end() && *suspect == i;
        if (isSuspect)
            ++suspect;
        if ((isSuspect || isSet(m_met, m_bitOf[i])) && !loaded.take(textAt(i)))
            out.push_back(i);
    }
    return out;
}

bool DuplicateSieve::isSet(const std::vector<quint64>& bits, size_t hash) const
{
    const size_t bit = hash & m_mask;
    return bits[bit / 64] & (quint64(1) << (bit % 64));
}

void DuplicateSieve::set(std::vector<quint64>& bits, size_t hash)
{
    const size_t bit = hash & m_mask;
    bits[bit / 64] |= quint64(1) << (bit % 64);
}
