#pragma once

#include <QtGlobal>

#include <cstddef>
#include <vector>

// A bit for each hash among a power of two of them, for a sieve before an
// exact look-up: a hash whose bit is clear was never added; one whose bit
// is set may have been, or share its bit with one that was.
class HashBits
{
public:
    // Room for bits bits (a power of two, 64 or more), all clear.
    void resize(std::size_t bits)
    {
        m_words.assign(bits / 64, 0);
        m_mask = bits - 1;
    }
    void clear()
    {
        m_words.clear();
        m_mask = 0;
    }

    // The bit that stands for hash: hash cut to the size.
    std::size_t bitOf(quint64 hash) const { return std::size_t(hash) & m_mask; }
    void add(quint64 hash)
    {
        const std::size_t bit = bitOf(hash);
        m_words[bit / 64] |= quint64(1) << (bit % 64);
    }
    bool mayHold(quint64 hash) const
    {
        const std::size_t bit = bitOf(hash);
        return m_words[bit / 64] & (quint64(1) << (bit % 64));
    }
    // The word holding hash's bit, to fetch it ahead of a look-up.
    const quint64* wordOf(quint64 hash) const { return &m_words[bitOf(hash) / 64]; }

private:
    std::vector<quint64> m_words;
    std::size_t m_mask = 0;
};
