#include "search/TypoIndex.h"

#include "search/SearchFold.h"

#include <algorithm>

bool TypoIndex::oneTypoFromPrefix(QStringView typed, QStringView word)
{
    const qsizetype n = typed.size();
    qsizetype i = 0;
    const qsizetype common = std::min(n, word.size());
    while (i < common && typed.at(i) == word.at(i))
        ++i;
    if (i == n)
        return false; // an exact beginning
    const auto same = [&](qsizetype typedFrom, qsizetype wordFrom) {
        const qsizetype length = n - typedFrom;
        return wordFrom + length <= word.size() &&
               typed.sliced(typedFrom) == word.sliced(wordFrom, length);
    };
    // Replaced, left out (the word has one letter more), inserted (one less).
    if (same(i + 1, i + 1) || same(i, i + 1) || same(i + 1, i))
        return true;
    // Two adjacent letters swapped.
    return i + 1 < n && i + 1 < word.size() && typed.at(i) == word.at(i + 1) &&
           typed.at(i + 1) == word.at(i) && same(i + 2, i + 2);
}

void TypoIndex::make(int rowCount, const KeyOf& keyOf)
{
    if (m_made)
        return;
    // An open-addressing table of the m_words by a hash made while each word
    // is read: one probe per word of the list, no allocation per word.
    std::vector<int> slots(1024, -1);
    std::vector<quint32> hashes;
    const auto grow = [&] {
        slots.assign(slots.size() * 2, -1);
        const std::size_t mask = slots.size() - 1;
        for (int id = 0; id < int(m_words.size()); ++id) {
            std::size_t at = hashes[id] & mask;
            while (slots[at] >= 0)
                at = (at + 1) & mask;
            slots[at] = id;
        }
    };
    std::vector<int> lastRow;              // by word: the last row that held it
    std::vector<std::pair<int, int>> held; // (word, row), rows ascending
    held.reserve(std::size_t(rowCount) * 4);
    for (int row = 0; row < rowCount; ++row) {
        const QStringView key = keyOf(row);
        const QChar* units = key.data();
        qsizetype i = 0;
        const qsizetype end = key.size();
        while (i < end) {
            while (i < end && !SearchFold::isWordUnit(units[i]))
                ++i;
            const qsizetype start = i;
            bool hasLetter = false;
            quint32 hash = 2166136261u;
            while (i < end && SearchFold::isWordUnit(units[i])) {
                const char16_t u = units[i].unicode();
                hasLetter = hasLetter || u > '9' || u < '0';
                hash = (hash ^ u) * 16777619u;
                ++i;
            }
            if (!hasLetter)
                continue;
            const QStringView word(units + start, i - start);
            const std::size_t mask = slots.size() - 1;
            std::size_t at = hash & mask;
            while (slots[at] >= 0 && (hashes[slots[at]] != hash || m_words[slots[at]] != word))
                at = (at + 1) & mask;
            int id = slots[at];
            if (id < 0) {
                id = int(m_words.size());
                slots[at] = id;
                m_words.push_back(word);
                hashes.push_back(hash);
                lastRow.push_back(-1);
                if (m_words.size() * 2 > slots.size())
                    grow();
            }
            if (lastRow[id] != row) {
                lastRow[id] = row;
                held.emplace_back(id, row);
            }
        }
    }
    m_postingStart.assign(m_words.size() + 1, 0);
    for (const auto& [word, row] : held)
        ++m_postingStart[word + 1];
    for (std::size_t w = 0; w < m_words.size(); ++w)
        m_postingStart[w + 1] += m_postingStart[w];
    m_postings.resize(held.size());
    std::vector<int> next(m_postingStart.begin(), m_postingStart.end() - 1);
    for (const auto& [word, row] : held)
        m_postings[next[word]++] = row;
    for (int w = 0; w < int(m_words.size()); ++w) {
        m_wordsByFirst[m_words[w].at(0).unicode()].push_back(w);
        if (m_words[w].size() > 1)
            m_wordsBySecond[m_words[w].at(1).unicode()].push_back(w);
    }
    m_made = true;
}

void TypoIndex::scanNextQuery()
{
    m_scanNext = !m_made;
}

void TypoIndex::clear()
{
    m_made = false;
    m_scanNext = false;
    m_words.clear();
    m_postingStart.clear();
    m_postings.clear();
    m_wordsByFirst.clear();
    m_wordsBySecond.clear();
}

bool TypoIndex::oneTypoFrom(QStringView typed, QStringView word)
{
    return word.size() + 1 >= typed.size() && oneTypoFromPrefix(typed, word);
}

void TypoIndex::scan(const QList<QStringView>& typed, int rowCount, const KeyOf& keyOf,
                     std::vector<quint32>& matched, std::vector<int>& candidates) const
{
    for (int row = 0; row < rowCount; ++row) {
        const QStringView key = keyOf(row);
        const QChar* units = key.data();
        const qsizetype end = key.size();
        qsizetype i = 0;
        while (i < end) {
            while (i < end && !SearchFold::isWordUnit(units[i]))
                ++i;
            const qsizetype start = i;
            bool hasLetter = false;
            while (i < end && SearchFold::isWordUnit(units[i])) {
                const char16_t u = units[i].unicode();
                hasLetter = hasLetter || u > '9' || u < '0';
                ++i;
            }
            if (!hasLetter)
                continue;
            const QStringView word(units + start, i - start);
            const QChar first = word.at(0);
            const QChar second = word.size() > 1 ? word.at(1) : QChar();
            for (int w = 0; w < int(typed.size()) && w < MaxTypoWords; ++w) {
                const quint32 bit = quint32(1) << w;
                const QStringView one = typed.at(w);
                // One typo leaves the typed word's first or second unit at
                // the word's first or second place, as the index's buckets
                // take it: most words go by that alone.
                if ((matched[row] & bit) || one.size() < MinimumLength ||
                    (first != one.at(0) && first != one.at(1) && second != one.at(0) &&
                     second != one.at(1)) ||
                    !oneTypoFrom(one, word))
                    continue;
                if (matched[row] == 0)
                    candidates.push_back(row);
                matched[row] |= bit;
            }
        }
    }
}

std::vector<int> TypoIndex::rows(const QList<QStringView>& typed, int rowCount, const KeyOf& keyOf)
{
    // Each row's typo-matched words, one bit per typed word.
    std::vector<quint32> matched;
    std::vector<int> candidates;
    std::vector<int> checked; // by word: the last typed word it was checked for
    const bool scanning =
        !m_made && m_scanNext && std::any_of(typed.cbegin(), typed.cend(), [](QStringView word) {
            return word.size() >= MinimumLength;
        });
    if (scanning) {
        m_scanNext = false;
        matched.assign(rowCount, 0);
        scan(typed, rowCount, keyOf, matched, candidates);
    }
    for (int w = 0; w < int(typed.size()) && w < MaxTypoWords && !scanning; ++w) {
        const QStringView word = typed.at(w);
        if (word.size() < MinimumLength)
            continue;
        make(rowCount, keyOf);
        if (matched.empty()) {
            matched.assign(rowCount, 0);
            checked.assign(m_words.size(), -1);
        }
        // A word one typo away begins with the typed word's first or second
        // unit, or has one of them second.
        const QHash<char16_t, std::vector<int>>* const buckets[] = {&m_wordsByFirst,
                                                                    &m_wordsBySecond};
        for (const auto* bucket : buckets) {
            for (const QChar unit : {word.at(0), word.at(1)}) {
                const auto it = bucket->constFind(unit.unicode());
                if (it == bucket->cend())
                    continue;
                for (const int id : *it) {
                    if (checked[id] == w)
                        continue;
                    checked[id] = w;
                    if (!oneTypoFrom(word, m_words[id]))
                        continue;
                    for (int p = m_postingStart[id]; p < m_postingStart[id + 1]; ++p) {
                        const int row = m_postings[p];
                        if (matched[row] == 0)
                            candidates.push_back(row);
                        matched[row] |= quint32(1) << w;
                    }
                }
            }
        }
    }
    std::sort(candidates.begin(), candidates.end());
    std::vector<int> found;
    for (const int row : candidates) {
        const QStringView rowKey = keyOf(row);
        bool exact = true;
        bool matches = true;
        for (int w = 0; w < int(typed.size()) && matches; ++w) {
            if (rowKey.contains(typed.at(w)))
                continue;
            exact = false;
            matches = w < MaxTypoWords && (matched[row] & (quint32(1) << w));
        }
        if (matches && !exact)
            found.push_back(row);
    }
    return found;
}
