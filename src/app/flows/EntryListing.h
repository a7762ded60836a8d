#pragma once

#include "search/BilingualEntry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>

#include <array>

// Both catalogue lists as the window shows them, for a menu program
// (--list, --insert): each list's built-in entries with their descriptions
// in both languages and their shipped keywords, then the user's entries of
// its file as the window's load takes them (UserListFile::readLoadable).
// Their order is the pick's with an empty filter (SearchIndex::pickOrder),
// the two lists merged: the favourites, then the most used, then the rest
// in catalogue order, smileys before acronyms on a tie.
class EntryListing
{
public:
    // The user's use of each list's entries, by entry key (EntryKey::of):
    // FavouriteStore::keys and UsageStore::scores, smileys first.
    struct Use
    {
        std::array<QSet<QString>, 2> favourites;
        std::array<QHash<QString, double>, 2> scores;
    };

    // Reads the built-in tables and the list files in listFolder; a file
    // that could not be read is named in problems, for standard error.
    explicit EntryListing(const QString& listFolder);

    const QList<BilingualEntry>& entries() const { return m_entries; }
    QStringList problems() const { return m_problems; }

    // The entries' places in the order a menu shows them.
    QList<qsizetype> order(const Use& use) const;

    // One line per entry, in order: the text, a tab, the description in
    // language (1 French, else English), a tab, the other language's, a
    // tab, the keywords separated by ", ". UTF-8.
    QByteArray lines(const QList<qsizetype>& order, int language) const;

    // A field as a line shows it: tabs and line breaks become blanks, so
    // that a line is always one entry and its fields split at tabs.
    static QString field(QStringView text);

    // The entry a line's first field names (as field() shows its text),
    // smileys first; null when it is no entry of either list.
    const BilingualEntry* find(QStringView shown) const;

private:
    static QList<BilingualEntry> readList(BilingualEntry::List list, const QString& path,
                                          QString* problem);

    // The smileys, then the acronyms from m_acronymStart.
    QList<BilingualEntry> m_entries;
    qsizetype m_acronymStart = 0;
    QStringList m_problems;
};
