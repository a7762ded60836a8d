#pragma once

#include "lists/DuplicateRule.h"
#include "search/BilingualEntry.h"
#include "search/SearchIndex.h"
#include "service/CatalogueCache.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>
#include <thread>
#include <vector>

class KeywordStore;
class QFileSystemWatcher;

// Both catalogue lists as the window shows them: the built-in entries, with
// their descriptions in both languages, then the user's entries from the two
// list files in the list folder, read through the catalogue controls. A user
// entry that repeats an earlier text of its list is left out by the window's
// own rule (DuplicateRule). The list files are followed and
// read again when they change; they are never written here. They are
// followed through the folder's parent too, so that a folder removed and
// made again is followed again; where the system cannot follow them (no
// inotify watch left), their size and time are checked instead, at most
// once a second. Each entry is searched by the user's own keywords too,
// after the shipped ones, from the keyword file beside the lists
// (KeywordStore), read again at a request once it changed.
//
// What it makes of the list files is kept in a stored copy (CatalogueCache)
// at cachePath once a start has answered, and the next start takes the
// entries from it when the files are those it was made from. Such entries'
// strings point into the copy, which lives as long as they do: a string
// kept beyond the next change is copied first.
class LauncherCatalogue : public QObject
{
    Q_OBJECT
public:
    static constexpr char SmileyFileName[] = "Smileys.smy";
    static constexpr char AcronymFileName[] = "Acronyms.acr";

    // No cachePath: nothing is stored.
    explicit LauncherCatalogue(const QString& listFolder, const QString& cachePath = {},
                               QObject* parent = nullptr);
    ~LauncherCatalogue() override;

    // Reads the user's keywords, takes the lists (whose reading began at
    // the construction, on a thread of their own) and starts following the
    // list files.
    void load();
    // For a request: the user's keywords again when their file changed;
    // where the list files cannot be followed, reads them again when their
    // size or time changed since the last look (a second ago at least).
    void catchUp();
    // Whether the files are checked by catchUp rather than followed.
    bool checksStamps() const { return m_checksStamps; }

    const QList<BilingualEntry>& entries() const { return m_entries; }
    // The entry an id names now, or null.
    const BilingualEntry* find(const QString& id) const;
    // Makes now what the first find() would: the entries' places by text,
    // which a query needs not, so that the start answers its first query
    // without them.
    void makeIds() const;
    QString listFolder() const { return m_listFolder; }

    // The entries folded before, by their index into entries(), and what
    // keeps them: for EntryRanking::setEntries.
    SearchIndex::FoldedAt foldedAt() const;
    std::shared_ptr<const void> foldedHolder() const { return m_cache; }
    // Stores what the last read of the files made, on a thread of its own,
    // unless it came from the stored copy or a file may have changed within
    // its time's resolution; a start calls it once it has answered. Entries
    // from the stored copy are then copied out of its mapping, on that
    // thread (CatalogueCache::ownUnits).
    void keep();

Q_SIGNALS:
    // The entries were read again.
    void changed();

private:
    // One list's entries and the texts taken so far by the window's rule.
    // Of the texts it takes, only one with spaces around it can repeat an
    // earlier one exactly: those are kept aside, so that an id (a text
    // exactly) names one entry.
    struct ListRows
    {
        QList<BilingualEntry> entries;
        QSet<QString> spaced;
        DuplicateRule::LoadedTexts loaded;
        qsizetype builtIn = 0; // the built-in entries taken, first
        // Adds the entry unless it repeats one added before: the built-in
        // entries first, then the user's.
        bool add(const BilingualEntry& entry);
    };
    static void readFile(ListRows& rows, BilingualEntry::List list, const QString& path);
    QString listPath(int list) const;
    // What the rows depend on besides the files: the program, the Qt it runs
    // with, the built-in texts, the paths.
    quint64 sourceKey() const;
    // Both lists from the stored copy: false when there is none for these files.
    bool loadCached(const CatalogueCache::Stamps& files);
    void waitForKeeping();
    // Makes the stored copy's texts the service's own, on the keeping
    // thread, once.
    void ownStoredCopy();
    void loadBuiltIn();
    void loadUserEntries();
    // The user's keywords after each entry's own, in place of those added before.
    void applyKeywords();
    ListRows readList(int list, qsizetype room) const;
    // Room for the built-in entries and a list file's lines, of lineBytes
    // each (a line takes some 20 bytes at least).
    qsizetype roomFor(int list, int lineBytes = 20) const;
    void follow();
    void reread();
    // What catchUp compares: each list file's size and time, and the
    // folder's birth and time (size then holds the birth).
    struct Stamp
    {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        bool operator==(const Stamp&) const = default;
    };
    std::array<Stamp, 3> stamps() const;

    QString m_listFolder;
    std::array<QList<BilingualEntry>, 2> m_builtIn;
    // The smileys, then the acronyms from m_acronymStart.
    QList<BilingualEntry> m_entries;
    qsizetype m_acronymStart = 0;
    // Each list's places by text, made at the first find() after a read.
    mutable std::array<QHash<QString, qsizetype>, 2> m_byText;
    mutable bool m_byTextMade = false;
    QFileSystemWatcher* m_watcher = nullptr;
    // A replace shows as several changes in a row; they are read once.
    QTimer m_settle;
    // Set for good once a watch could not be added: the system's watches
    // are spent, and asking again costs a warning each time.
    bool m_checksStamps = false;
    std::array<Stamp, 3> m_readStamps;
    QElapsedTimer m_lastCheck;
    KeywordStore* m_keywords = nullptr;
    std::thread m_listReading;
    QString m_cachePath;
    // What the entries from the stored copy point into; null when the files were read.
    std::shared_ptr<const CatalogueCache> m_cache;
    // The copies the entries came from before the files were read again.
    std::vector<std::shared_ptr<const CatalogueCache>> m_retiredCaches;
    // Where each list's user entries start in m_entries.
    std::array<qsizetype, 2> m_userStart{};
    CatalogueCache::Stamps m_fileStamps;
    // The files were read and had not changed for a while: keep() stores them.
    bool m_keepWanted = false;
    // The first read of the lists was made: later ones read the files.
    bool m_started = false;
    std::thread m_keeping;
    bool m_storedCopyOwned = false;
    // After a start: long enough for its first answer to go first.
    static constexpr int OwnStoredCopyAfterMs = 1000;
    // The entries given user keywords, each with the count of its own before them.
    QList<std::pair<qsizetype, qsizetype>> m_keyworded;
};
