#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

// The index of the duplicate rule (DuplicateRule): numbered entries by the
// case-folded key of their text as it stands, so that the load's test and
// the look-ups of Add and Edit cost one fold and one hash however long the
// list grows. It holds no text: its owner numbers the entries and gives an
// entry's text (textAt) when a look-up meets the entry's hash, so that an
// entry costs a few bytes here.
class DuplicateIndex
{
public:
    using TextAt = std::function<QStringView(qsizetype entry)>;

    // Room for this many entries, so that adding them never grows the index.
    void reserve(qsizetype entries);
    // Gives back room, when much more than entries would need was left over.
    void squeeze(qsizetype entries);
    // Forgets every entry; the room stays.
    void clear();

    void add(qsizetype entry, QStringView text);
    // entry, indexed under text, is forgotten.
    void remove(qsizetype entry, QStringView text);
    // The entries from first on: count of them are forgotten, the ones after
    // move down by count (removeRange), or all of them move up by count to
    // make room (openRange).
    void removeRange(qsizetype first, qsizetype count);
    void openRange(qsizetype first, qsizetype count);

    // The first entry other than except whose text as it stands has the key
    // of text, or -1.
    qsizetype find(QStringView text, const TextAt& textAt, qsizetype except = -1) const;

    // The load's test: whether text, without the spaces around it, meets no
    // entry as it stands; only then is it indexed, as entry, as it stands.
    bool take(qsizetype entry, QStringView text, const TextAt& textAt);

private:
    struct Slot
    {
        quint32 hash = 0;
        qint32 entry = EmptySlot;
    };
    static constexpr qint32 EmptySlot = -1;
    static constexpr qint32 FreedSlot = -2; // an entry left; a search goes on past it

    static quint32 hashOf(QStringView key);
    // The first entry other than except whose folded text is key; other
    // holds the folds of the entries met.
    qsizetype probe(QStringView key, quint32 hash, qsizetype except, const TextAt& textAt,
                    QString& other) const;
    void insert(qsizetype entry, quint32 hash);
    void resize(qsizetype slots);
    // Any number of places (not only powers of two, which would nearly
    // double a long list's index): a hash picks its first place by its share
    // of the range, and a search goes on to the next places.
    qsizetype slotOf(quint32 hash) const
    {
        return qsizetype((quint64(hash) * quint64(m_slots.size())) >> 32);
    }
    qsizetype nextSlot(qsizetype i) const { return i + 1 == m_slots.size() ? 0 : i + 1; }

    QList<Slot> m_slots;        // at most half of them in use
    qsizetype m_slotsInUse = 0; // entries and freed places
    qsizetype m_entries = 0;
    // The folds of take(), kept so that a load allocates none per text.
    QString m_wanted;
    QString m_other;
};
