#include "search/KeyTable.h"

#include <QHashFunctions>

#include <algorithm>
#include <bit>
#include <cstring>

quint64 KeyTable::hashOf(QStringView key)
{
    // Per unit a multiply, then the bits mixed down: keys are a few units.
    static const quint64 seed =
        quint64(size_t(QHashSeed::globalSeed())) * 0x9E3779B97F4A7C15ULL + 1;
    quint64 h = seed ^ quint64(key.size());
    const QChar* units = key.data();
    qsizetype i = 0;
    // Four units a step, then the rest one by one.
    for (; i + 4 <= key.size(); i += 4) {
        quint64 word;
        std::memcpy(&word, units + i, sizeof(word));
        h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
        h ^= h >> 29;
    }
    for (; i < key.size(); ++i)
        h = (h ^ units[i].unicode()) * 0x100000001B3ULL;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    return h ^ (h >> 33);
}

void KeyTable::reserve(qsizetype count)
{
    const std::size_t wanted = std::bit_ceil(std::size_t(count) * 2 + 16);
    if (wanted > m_slots.size())
        grow(wanted);
}

void KeyTable::grow(std::size_t slots)
{
    std::vector<Slot> old = std::exchange(m_slots, std::vector<Slot>(slots));
    m_present.resize(std::max<std::size_t>(64, slots * 8));
    const std::size_t mask = slots - 1;
    for (const Slot& slot : old) {
        if (slot.value == None)
            continue;
        std::size_t at = slot.hash & mask;
        while (m_slots[at].value != None)
            at = (at + 1) & mask;
        m_slots[at] = slot;
        m_present.add(slot.hash >> 32);
    }
}

void KeyTable::insert(QStringView key, int value)
{
    if (value < 0)
        return;
    if (std::size_t(m_count + 1) * 2 > m_slots.size())
        grow(std::max<std::size_t>(64, m_slots.size() * 2));
    const quint64 hash = hashOf(key);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = hash & mask;
    while (m_slots[at].value != None) {
        const Slot& slot = m_slots[at];
        if (slot.hash == hash && QStringView(slot.units, slot.size) == key)
            return;
        at = (at + 1) & mask;
    }
    m_slots[at] = {key.data(), key.size(), hash, value};
    m_present.add(hash >> 32);
    ++m_count;
}

int KeyTable::find(QStringView key) const
{
    if (m_count == 0)
        return None;
    const quint64 hash = hashOf(key);
    if (!m_present.mayHold(hash >> 32))
        return None;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = m_slots[at];
        if (slot.value == None)
            return None;
        if (slot.hash == hash && QStringView(slot.units, slot.size) == key)
            return slot.value;
    }
}

void KeyTable::clear()
{
    m_slots.clear();
    m_present.clear();
    m_count = 0;
}
