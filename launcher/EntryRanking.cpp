#include "EntryRanking.h"

#include <QChar>
#include <QStringList>

#include <algorithm>

namespace {

// Letter case and accents folded, so that "CLIN" and "oeil" find "clin d'œil".
QString fold(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        if (c == QChar(0x0153) || c == QChar(0x0152))
            folded += QLatin1String("oe");
        else if (c == QChar(0x00E6) || c == QChar(0x00C6))
            folded += QLatin1String("ae");
        else
            folded += c.toCaseFolded();
    }
    return folded;
}

bool wordStartsWith(const QString& haystack, const QString& word)
{
    for (qsizetype at = haystack.indexOf(word); at >= 0; at = haystack.indexOf(word, at + 1))
        if (at == 0 || !haystack.at(at - 1).isLetterOrNumber())
            return true;
    return false;
}

} // namespace

struct EntryRanking::Folded
{
    QString text;
    QString descriptions; // both languages, one after the other
};

EntryRanking::EntryRanking() = default;
EntryRanking::~EntryRanking() = default;

void EntryRanking::setEntries(const QList<LauncherEntry>& entries)
{
    m_folded.clear();
    m_folded.reserve(entries.size());
    for (const LauncherEntry& entry : entries)
        m_folded.append({fold(entry.text), fold(entry.frenchDescription) + QLatin1Char('\n') +
                                               fold(entry.englishDescription)});
}

QList<EntryRanking::Match> EntryRanking::rank(const QString& query, qsizetype limit) const
{
    const QString wanted = fold(query.trimmed());
    const QStringList words = wanted.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || limit <= 0)
        return {};
    // Classes, best first: the text itself, the text's start, every word
    // starting a word of a description, every word inside text or description.
    constexpr int Classes = 4;
    QList<qsizetype> byClass[Classes];
    for (qsizetype i = 0; i < m_folded.size(); ++i) {
        const Folded& entry = m_folded[i];
        int matchClass = -1;
        if (entry.text == wanted)
            matchClass = 0;
        else if (entry.text.startsWith(wanted))
            matchClass = 1;
        else if (std::all_of(words.cbegin(), words.cend(), [&](const QString& word) {
                     return wordStartsWith(entry.descriptions, word);
                 }))
            matchClass = 2;
        else if (std::all_of(words.cbegin(), words.cend(), [&](const QString& word) {
                     return entry.text.contains(word) || entry.descriptions.contains(word);
                 }))
            matchClass = 3;
        if (matchClass >= 0 && byClass[matchClass].size() < limit)
            byClass[matchClass].append(i);
    }
    QList<Match> matches;
    for (int matchClass = 0; matchClass < Classes; ++matchClass) {
        for (const qsizetype index : byClass[matchClass]) {
            if (matches.size() == limit)
                return matches;
            const double place = 1.0 - 0.2 * matchClass - 0.001 * matches.size();
            matches.append({index, std::max(place, 0.01), matchClass == 0});
        }
    }
    return matches;
}

void EntryRanking::recordUse(const LauncherEntry&)
{
    // Uses are kept by the search core's usage store once it is linked here.
}
