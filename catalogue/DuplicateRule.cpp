#include "DuplicateRule.h"

#include "TextRules.h"

QString DuplicateRule::key(QStringView text)
{
    // Nearly every text is ASCII, whose case fold is A-Z to a-z: one pass
    // into the result instead of the copy and Unicode's fold.
    QString folded(text.size(), Qt::Uninitialized);
    QChar* out = folded.data();
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= 0x80)
            return text.toString().toCaseFolded();
        *out++ = QChar(unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit);
    }
    return folded;
}

QString DuplicateRule::bareKey(QStringView text)
{
    return key(TextRules::trimSpaces(text));
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

DuplicateRule::LoadedTexts::LoadedTexts(QSet<QString> keys)
    : m_keys(std::move(keys))
{}

bool DuplicateRule::LoadedTexts::take(QStringView text)
{
    QString folded = key(text);
    // Without spaces around it, the text is looked up and kept at once.
    if (!isSpaced(text)) {
        const qsizetype before = m_keys.size();
        m_keys.insert(std::move(folded));
        return m_keys.size() != before;
    }
    if (m_keys.contains(bareKey(text)))
        return false;
    m_keys.insert(std::move(folded));
    return true;
}
