#pragma once

#include "app/cli/EntryListing.h"
#include "catalogue/UserListReader.h"
#include "search/SearchUse.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// One list's lines as a listing reads them, before the user's use of them
// is known: every line in catalogue order, each ending where the user's own
// keywords would go, with what the use is told by afterwards (each entry's
// key's hash, and its text where the line does not show it as it is); then,
// once the stores are read, the lines to be shown first and the user's own
// keywords, which go in before their lines' ends.
struct ListLines
{
    // A line to be shown first: the entry at place in catalogue order.
    struct Held
    {
        SearchUse use;
        int list = 0; // 0 smileys, 1 acronyms
        qsizetype place = 0;

        // The order of the lines shown first: by use, then smileys first,
        // then in catalogue order.
        static bool showsFirst(const Held& a, const Held& b);
    };
    // Bytes that go in before bytes[at].
    struct Insertion
    {
        qsizetype at = 0;
        QByteArrayView text;
    };
    QByteArray bytes;
    // By place: where each entry's line starts (it ends where the next one
    // starts), and its key's hash (KeyTable::hashOf EntryKey::of) cut to 32 bits, all
    // that the sieves of the stores' keys look at.
    std::vector<qsizetype> begins;
    std::vector<quint32> hashes;
    // The built-in entries, first in the list: their texts, and whether
    // they have keywords of their own (which the user's follow after ", ").
    QStringList builtInTexts;
    std::vector<bool> builtInKeyworded;
    // The user entries' texts that their lines do not show as they are, by place.
    QHash<qsizetype, QString> shownOtherwise;
    std::vector<qsizetype> leftOut; // places of lines the load leaves out, ascending
    std::vector<Held> favourites;
    std::vector<Held> used;
    std::vector<Insertion> insertions; // ascending
    EntryListing::ReadResult read;

    qsizetype begin(qsizetype place) const { return begins[std::size_t(place)]; }
    qsizetype end(qsizetype place) const;
    // The text of the entry at place, as the list holds it: in buffer,
    // kept from one call to the next, where it lies nowhere else.
    QStringView textAt(qsizetype place, const UserListReader::FieldDecoder& decoder,
                       QString& buffer) const;
    // Appends the bytes from begin to end to parts, with what goes in among them.
    void appendBytes(QList<QByteArrayView>& parts, qsizetype begin, qsizetype end) const;
};
