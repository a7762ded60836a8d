#include "app/cli/ListUse.h"

#include "app/cli/LineFormat.h"
#include "base/TextRules.h"
#include "search/KeywordStore.h"

#include <QStringEncoder>

#include <algorithm>

ListUse::ListUse(const EntryListing::Use& use, int l)
    : m_favourites(use.favourites[l])
    , m_scores(use.scores[l])
    , m_kind(l == 0 ? ListKind::Smiley : ListKind::Acronym)
    , m_list(l)
    , m_anyUse(!m_favourites.isEmpty() || !m_scores.isEmpty())
    // Most users have none: no entry is looked up.
    , m_own(use.ownKeywords && !use.ownKeywords->isEmpty(m_kind) ? use.ownKeywords : nullptr)
    , m_used(m_anyUse ? KeySieve(m_favourites, m_scores) : KeySieve({}))
    , m_keyworded(m_own ? KeySieve(m_own->keys(m_kind)) : KeySieve({}))
{}

ListUse::Found ListUse::of(const ListLines& lines, qsizetype from, qsizetype to) const
{
    Found found;
    if (!m_anyUse && !m_own)
        return found;
    const UserListReader::FieldDecoder decoder;
    QStringEncoder utf8(QStringEncoder::Utf8);
    QString text;
    QString key;
    QString piece;
    // Where each insertion's text ends in extra: the views are made once
    // extra has stopped growing.
    std::vector<qsizetype> ends;
    auto leftOut = std::lower_bound(lines.leftOut.cbegin(), lines.leftOut.cend(), from);
    for (qsizetype place = from; place < to; ++place) {
        const quint32 hash = lines.hashes[std::size_t(place)];
        const bool mayBeUsed = m_anyUse && m_used.mayHold(hash);
        const bool mayHaveKeywords = m_own && m_keyworded.mayHold(hash);
        // Most entries are told apart by the sieves alone.
        if (!mayBeUsed && !mayHaveKeywords)
            continue;
        while (leftOut != lines.leftOut.cend() && *leftOut < place)
            ++leftOut;
        if (leftOut != lines.leftOut.cend() && *leftOut == place)
            continue;
        TextRules::bareKeyInto(key, lines.textAt(place, decoder, text));
        if (mayBeUsed) {
            const SearchUse entryUse{m_favourites.contains(key), m_scores.value(key, 0.0)};
            if (entryUse.favourite || entryUse.score > 0)
                (entryUse.favourite ? found.favourites : found.used)
                    .push_back({entryUse, m_list, place});
        }
        const QStringList keywords =
            mayHaveKeywords ? m_own->keywordsOfKey(m_kind, key) : QStringList();
        if (keywords.isEmpty())
            continue;
        piece.resize(0);
        if (place < lines.builtInTexts.size() && lines.builtInKeyworded[std::size_t(place)])
            piece.append(QLatin1String(", "));
        LineFormat::appendKeywords(piece, keywords);
        const qsizetype extraBegin = found.extra.size();
        found.extra.resize(extraBegin + utf8.requiredSpace(piece.size()));
        char* const extraEnd = utf8.appendToBuffer(found.extra.data() + extraBegin, piece);
        found.extra.truncate(extraEnd - found.extra.constData());
        // Before the line's end.
        found.insertions.push_back({lines.end(place) - 1, {}});
        ends.push_back(found.extra.size());
    }
    qsizetype begin = 0;
    for (std::size_t i = 0; i < ends.size(); ++i) {
        found.insertions[i].text = QByteArrayView(found.extra).sliced(begin, ends[i] - begin);
        begin = ends[i];
    }
    return found;
}
