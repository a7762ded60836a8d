#include "lists/DuplicateRule.h"

#include "base/TextRules.h"

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

DuplicateRule::LoadedTexts::LoadedTexts(const QSet<QString>& keys)
{
    reserve(keys.size());
    for (const QString& key : keys) {
        // Given folded already: kept as they are.
        const qsizetype start = m_chars.size();
        m_chars += key;
        const size_t hash = qHash(keyAt({0, start, key.size()}));
        Slot& slot = slotFor(start, hash);
        if (slot.start >= 0) {
            m_chars.truncate(start);
            continue;
        }
        slot = {hash, start, key.size()};
        ++m_used;
    }
}

void DuplicateRule::LoadedTexts::reserve(qsizetype texts)
{
    // About the characters of a line of a list file for each text.
    m_chars.reserve(m_chars.size() + texts * 16);
    grow(m_used + texts);
}

qsizetype DuplicateRule::LoadedTexts::appendKey(QStringView text)
{
    const qsizetype start = m_chars.size();
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= 0x80) {
            // As key() does: the whole text through Unicode's fold.
            m_chars.truncate(start);
            m_chars += key(text);
            return start;
        }
        m_chars += QChar(unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit);
    }
    return start;
}

QStringView DuplicateRule::LoadedTexts::keyAt(const Slot& slot) const
{
    return QStringView(m_chars).sliced(slot.start, slot.length);
}

DuplicateRule::LoadedTexts::Slot& DuplicateRule::LoadedTexts::slotFor(qsizetype start, size_t hash)
{
    const QStringView wanted = QStringView(m_chars).sliced(start);
    const qsizetype mask = m_slots.size() - 1;
    for (qsizetype at = qsizetype(hash) & mask;; at = (at + 1) & mask) {
        Slot& slot = m_slots[at];
        if (slot.start < 0 || (slot.hash == hash && keyAt(slot) == wanted))
            return slot;
    }
}

void DuplicateRule::LoadedTexts::grow(qsizetype keys)
{
    qsizetype size = 64;
    while (size < 2 * keys)
        size *= 2;
    if (size <= m_slots.size())
        return;
    QList<Slot> old = std::exchange(m_slots, QList<Slot>(size));
    const qsizetype mask = size - 1;
    for (const Slot& slot : std::as_const(old)) {
        if (slot.start < 0)
            continue;
        qsizetype at = qsizetype(slot.hash) & mask;
        while (m_slots.at(at).start >= 0)
            at = (at + 1) & mask;
        m_slots[at] = slot;
    }
}

bool DuplicateRule::LoadedTexts::take(QStringView text)
{
    if (2 * (m_used + 1) > m_slots.size())
        grow(m_used + 1);
    // A text with spaces around it is looked for without them, and kept as
    // it stands.
    if (isSpaced(text)) {
        const qsizetype bare = appendKey(TextRules::trimSpaces(text));
        const bool there = slotFor(bare, qHash(QStringView(m_chars).sliced(bare))).start >= 0;
        m_chars.truncate(bare);
        if (there)
            return false;
    }
    const qsizetype start = appendKey(text);
    const QStringView key = QStringView(m_chars).sliced(start);
    const size_t hash = qHash(key);
    Slot& slot = slotFor(start, hash);
    if (slot.start >= 0) {
        m_chars.truncate(start);
        // A spaced text whose twin as it stands was taken is taken too.
        return isSpaced(text);
    }
    slot = {hash, start, key.size()};
    ++m_used;
    return true;
}
