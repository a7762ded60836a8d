#include "lists/DuplicateIndex.h"

#include "base/TextRules.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace {

void fold(QString& out, QStringView text)
{
    out.resize(0); // keeps its room
    TextRules::appendFolded(out, text);
}

} // namespace

void DuplicateIndex::reserve(qsizetype entries)
{
    if (m_slots.size() < 2 * entries)
        resize(2 * entries);
}

void DuplicateIndex::squeeze(qsizetype entries)
{
    // Only when much was left over: shrinking re-hashes every entry.
    if (m_slots.size() > 4 * (entries + 64))
        resize(2 * (entries + 64));
}

void DuplicateIndex::clear()
{
    m_slots.fill(Slot());
    m_slotsInUse = 0;
    m_entries = 0;
}

void DuplicateIndex::add(qsizetype entry, QStringView text)
{
    fold(m_wanted, text);
    insert(entry, hashOf(m_wanted));
}

void DuplicateIndex::remove(qsizetype entry, QStringView text)
{
    if (m_slots.isEmpty())
        return;
    fold(m_wanted, text);
    for (qsizetype i = slotOf(hashOf(m_wanted)); m_slots.at(i).entry != EmptySlot;
         i = nextSlot(i)) {
        if (m_slots.at(i).entry == entry) {
            m_slots[i].entry = FreedSlot;
            --m_entries;
            return;
        }
    }
}

void DuplicateIndex::removeRange(qsizetype first, qsizetype count)
{
    // One walk both forgets the entries and moves the ones after.
    for (Slot& slot : m_slots) {
        if (slot.entry >= first + count) {
            slot.entry -= qint32(count);
        } else if (slot.entry >= first) {
            slot.entry = FreedSlot;
            --m_entries;
        }
    }
}

void DuplicateIndex::openRange(qsizetype first, qsizetype count)
{
    for (Slot& slot : m_slots) {
        if (slot.entry >= first)
            slot.entry += qint32(count);
    }
}

qsizetype DuplicateIndex::find(QStringView text, const TextAt& textAt, qsizetype except) const
{
    QString wanted;
    TextRules::appendFolded(wanted, text);
    QString other;
    return probe(wanted, hashOf(wanted), except, textAt, other);
}

bool DuplicateIndex::take(qsizetype entry, QStringView text, const TextAt& textAt)
{
    const QStringView bare = TextRules::trimSpaces(text);
    fold(m_wanted, bare);
    quint32 hash = hashOf(m_wanted);
    if (probe(m_wanted, hash, -1, textAt, m_other) >= 0)
        return false;
    // A text with spaces around it is indexed as it stands.
    if (bare.size() != text.size()) {
        fold(m_wanted, text);
        hash = hashOf(m_wanted);
    }
    insert(entry, hash);
    return true;
}

quint32 DuplicateIndex::hashOf(QStringView key)
{
    // The process's own seed, as QHash takes: no list file can be made of
    // texts that all meet in one place of the index.
    const size_t hash = qHash(key, QHashSeed::globalSeed());
    return quint32(hash ^ (quint64(hash) >> 32));
}

qsizetype DuplicateIndex::probe(QStringView key, quint32 hash, qsizetype except,
                                const TextAt& textAt, QString& other) const
{
    if (m_slots.isEmpty())
        return -1;
    // Texts of one hash are told apart by folding the entry's text; of
    // several entries of the key, the first is the answer.
    qsizetype found = -1;
    for (qsizetype i = slotOf(hash); m_slots.at(i).entry != EmptySlot; i = nextSlot(i)) {
        const Slot& slot = m_slots.at(i);
        if (slot.entry < 0 || slot.hash != hash || slot.entry == except ||
            (found >= 0 && slot.entry > found))
            continue;
        fold(other, textAt(slot.entry));
        if (other == key)
            found = slot.entry;
    }
    return found;
}

void DuplicateIndex::insert(qsizetype entry, quint32 hash)
{
    // Grown to a quarter in use, so that growing stays rare.
    if (2 * (m_slotsInUse + 1) > m_slots.size())
        resize(4 * (m_entries + 1));
    qsizetype i = slotOf(hash);
    while (m_slots.at(i).entry >= 0)
        i = nextSlot(i);
    if (m_slots.at(i).entry == EmptySlot)
        ++m_slotsInUse;
    m_slots[i] = {hash, qint32(entry)};
    ++m_entries;
}

void DuplicateIndex::resize(qsizetype slots)
{
    QList<Slot> old = std::exchange(m_slots, QList<Slot>(std::max<qsizetype>(slots, 64)));
    m_slotsInUse = 0;
    for (const Slot& slot : std::as_const(old)) {
        if (slot.entry < 0)
            continue;
        qsizetype i = slotOf(slot.hash);
        while (m_slots.at(i).entry != EmptySlot)
            i = nextSlot(i);
        m_slots[i] = slot;
        ++m_slotsInUse;
    }
}
