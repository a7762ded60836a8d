#pragma once

#include "search/BilingualEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <functional>
#include <optional>
#include <vector>

// Both catalogue lists as the window shows them, for a menu program
// (--list, --insert): each list's built-in entries with their descriptions
// in both languages and their shipped keywords, then the user's entries of
// its file as the window's load takes them (DuplicateRule::LoadedTexts
// against the built-in texts; a file the list reader cannot take whole
// gives none). The list files are read straight through, never held
// whole; a listing holds only its lines, which are its output.
class KeywordStore;

class EntryListing
{
public:
    // The user's use of each list's entries, by entry key (EntryKey::of):
    // FavouriteStore::keys and UsageStore::scores, smileys first; and the
    // user's own keywords, shown after the shipped ones (none without a store).
    struct Use
    {
        std::array<QSet<QString>, 2> favourites;
        std::array<QHash<QString, double>, 2> scores;
        const KeywordStore* ownKeywords = nullptr;
    };

    // Each entry of one list in catalogue order, until visit answers false.
    // A file found lossy only once read (a line too long or damaged) was
    // visited all the same: the entries visited of it are void, as the
    // window's load takes none of them.
    using Visitor = std::function<bool(const BilingualEntry& entry)>;
    struct ReadResult
    {
        QString problem; // why the user's file gave nothing, for standard error
        bool userEntriesVoid = false;
    };
    static ReadResult read(BilingualEntry::List list, const QString& listFolder,
                           const Visitor& visit);

    // One line per entry of both lists, in the order of the pick with an
    // empty filter (SearchIndex::pickOrder), the two lists merged: the
    // favourites, then each list's most used few, best first (SearchUse,
    // smileys first on a tie), then the rest in catalogue order. A line is
    // the text, a tab, the description in language (1 French, else
    // English), a tab, the other language's, a tab, the keywords separated
    // by ", "; UTF-8. The lines come in parts that lie in the lists' own
    // bytes, and the user's keywords in bytes of their own (extra): written
    // one after the other they are the listing, which goes to a pipe so,
    // without a copy of the whole. Each list is read on a
    // core of its own while readUse, on the calling thread, reads the
    // user's use; problems receives what read() answered.
    struct Parts
    {
        std::array<QByteArray, 2> bytes;
        std::vector<QByteArray> extra;
        QList<QByteArrayView> parts;
    };
    static Parts lineParts(const QString& listFolder, const std::function<void(Use&)>& readUse,
                           int language, QStringList* problems);

    // A field as a line shows it: tabs and line breaks become blanks, so
    // that a line is always one entry and its fields split at tabs.
    static QString field(QStringView text);

    // The entry a line's first field names (as field() shows its text),
    // smileys first; none when it is no entry of either list.
    static std::optional<BilingualEntry> find(const QString& listFolder, QStringView shown);
};
