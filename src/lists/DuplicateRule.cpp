#include "lists/DuplicateRule.h"

#include "base/TextRules.h"

QString DuplicateRule::key(QStringView text)
{
    QString folded;
    TextRules::appendFolded(folded, text);
    return folded;
}

QString DuplicateRule::bareKey(QStringView text)
{
    return TextRules::bareKey(text);
}

bool DuplicateRule::isSpaced(QStringView text)
{
    return TextRules::trimSpaces(text).size() != text.size();
}

// Qt's case-insensitive comparison folds each character as toCaseFolded()
// does, so it answers as comparing the keys would, without making them.
namespace {
bool sameFolded(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
} // namespace

bool DuplicateRule::repeats(QStringView wanted, QStringView other, bool kept)
{
    if (kept)
        return sameFolded(wanted, other);
    return sameFolded(TextRules::trimSpaces(wanted), TextRules::trimSpaces(other));
}

DuplicateRule::LoadedTexts::LoadedTexts(const QSet<QString>& keys)
{
    reserve(keys.size());
    // Given folded already: indexed as they are, without the load's test.
    for (const QString& key : keys) {
        m_index.add(m_ends.size(), key);
        append(key);
    }
}

void DuplicateRule::LoadedTexts::reserve(qsizetype texts)
{
    // About the characters of a line of a list file for each text.
    m_chars.reserve(m_chars.size() + texts * 16);
    m_ends.reserve(m_ends.size() + texts);
    m_index.reserve(m_ends.size() + texts);
}

bool DuplicateRule::LoadedTexts::take(QStringView text)
{
    if (!m_index.take(m_ends.size(), text, [this](qsizetype i) { return textAt(i); }))
        return false;
    append(text);
    return true;
}

void DuplicateRule::LoadedTexts::append(QStringView text)
{
    m_chars += text;
    m_ends.append(m_chars.size());
}

QStringView DuplicateRule::LoadedTexts::textAt(qsizetype i) const
{
    const qsizetype start = i == 0 ? 0 : m_ends.at(i - 1);
    return QStringView(m_chars).sliced(start, m_ends.at(i) - start);
}
