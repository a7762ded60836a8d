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
    m_standing.resize(bits);
    m_met.resize(bits);
    m_bitOf.reserve(size_t(expected));
    for (const QString& key : builtInKeys)
        m_standing.add(KeyTable::hashOf(key));
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
    __builtin_prefetch(m_standing.wordOf(bareHash), 1);
    takePending();
    m_pending = {bareHash, standing};
}

void DuplicateSieve::takePending()
{
    if (!m_pending)
        return;
    const auto [bareHash, standing] = *m_pending;
    m_pending.reset();
    if (m_standing.mayHold(bareHash)) {
        m_suspects.push_back(qsizetype(m_bitOf.size()));
        m_met.add(bareHash);
    }
    m_standing.add(standing);
    m_bitOf.push_back(quint32(m_standing.bitOf(standing)));
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
        if ((isSuspect || m_met.mayHold(m_bitOf[i])) && !loaded.take(textAt(i)))
            out.push_back(i);
    }
    return out;
}
