#pragma once

#include "search/HashBits.h"

#include <QSet>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

// The duplicate rule of the window's load (DuplicateRule::LoadedTexts)
// over a long list at the cost of a bit or two for each entry: each text's
// key (as it is looked for, and as it stands) is hashed to a bit, and only
// a text whose key as looked for meets the bit of one before it, and the
// texts whose keys as they stand have such a bit, can be left out or leave
// another out. The rule itself then runs over those few alone, in their
// order: all the others are taken by it, and stand in no other's way.
class DuplicateSieve
{
public:
    DuplicateSieve(const QSet<QString>& builtInKeys, qint64 expected);

    // The next user text in file order, with the hash of its key as looked
    // for (KeyTable::hashOf DuplicateRule::bareKey).
    void add(QStringView text, size_t bareHash);

    // The user texts the rule leaves out, by their number in file order,
    // ascending; textAt(i) gives the text numbered i (the view holding
    // until the next call).
    std::vector<qsizetype> leftOut(const std::function<QStringView(qsizetype)>& textAt);

private:
    // The text added last, by its hashes as looked for and as it stands.
    void takePending();
    std::optional<std::pair<size_t, size_t>> m_pending;

    const QSet<QString> m_builtInKeys;
    HashBits m_standing;          // the keys as they stand
    HashBits m_met;               // the bits of m_standing that a key as looked for met
    std::vector<quint32> m_bitOf; // each text's bit as it stands
    std::vector<qsizetype> m_suspects;
    QString m_fold;
};
