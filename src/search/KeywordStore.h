#pragma once

#include "search/EntryKey.h"
#include "search/KeyTable.h"
#include "search/UnwrittenChanges.h"

#include "base/AtomicFileWriter.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class StoreContent;

// The words the user finds entries by, of both lists, built-in entries and
// their own alike, in a file of their own beside the list files, which it
// travels with:
//   {"smileys": {";-)": ["eyelid", "pirate"]}, "acronyms": {"BTW": ["aside"]}}
// Each list maps an entry's text, as it was first given keywords, to its
// keywords in the user's order; entries are known by their key (EntryKey)
// and keywords by theirs (spaces around and letter case aside), so a repeat
// counts once.
//
// Each change is applied to the file as it is on disk at that moment, under
// the file's lock (AtomicFileWriter::update), as the keywords added and
// those taken away: two windows adding keywords to one entry at once both
// keep theirs. A file that cannot be used (not a file, too large, not the
// store's format) is set aside once (DamagedFile) and the store starts
// empty; a reader (the search service) leaves it where it is.
class KeywordStore : public QObject
{
    Q_OBJECT
public:
    static QString pathIn(const QString& listFolder);
    static constexpr const char* FileName = "Keywords.json";
    // Far more than a person types; a larger file is not read, nor written.
    static constexpr qint64 MaxFileSize = 8 * 1024 * 1024;
    static constexpr int MaxKeywords = 50;       // per entry
    static constexpr int MaxKeywordLength = 100; // UTF-16 units, each keyword
    static constexpr QChar Separator = u',';

    enum class Access { ReadWrite, ReadOnly };

    // Why keywords cannot be taken as they are.
    enum class Refusal { None, TooMany, TooLong, BrokenCharacter };
    // The keywords of a line typed with Separator between them: each without
    // the spaces around it, empty ones dropped, a repeat once.
    static QStringList parse(QStringView typed);
    // The line that parse() reads back as keywords.
    static QString join(const QStringList& keywords);
    static Refusal check(const QStringList& keywords);

    explicit KeywordStore(const QString& path, QObject* parent = nullptr);
    KeywordStore(const QString& path, Access access, QObject* parent = nullptr);
    ~KeywordStore() override;
    QString path() const { return m_path; }

    // Reads the file again (changes not written yet are kept).
    void reload();
    // Reads the file again when its size or time changed since this store
    // last read or wrote it; true when it did.
    bool catchUp();

    // The entry's keywords, in the user's order; none for most entries.
    QStringList keywords(ListKind list, QStringView text) const;
    // The same by the entry's key (EntryKey::of its text), made before.
    QStringList keywordsOfKey(ListKind list, QStringView key) const;
    // The keys (EntryKey::of their texts) of the list's entries that have
    // keywords, in no order.
    const std::vector<QString>& keys(ListKind list) const
    {
        return m_lookup[list == ListKind::Smiley ? 0 : 1].keys;
    }
    // No entry of the list has keywords: a caller asks no more.
    bool isEmpty(ListKind list) const
    {
        return m_entries[list == ListKind::Smiley ? 0 : 1].isEmpty();
    }

    // Each writes the change at once; a failed write keeps the change here
    // for this run (through reloads too) and answers why, and the change
    // goes to the file with the next one written. A change the file cannot
    // take for its size holds for this run only. Keywords refused by check()
    // are not taken (Failure::Other).
    // The entry's keywords become these; none removes them.
    AtomicFileWriter::Result setKeywords(ListKind list, const QString& text,
                                         const QStringList& keywords);
    // An edited entry keeps its keywords under its new text.
    AtomicFileWriter::Result rename(ListKind list, const QString& oldText, const QString& newText);
    // A removed entry loses them.
    AtomicFileWriter::Result forget(ListKind list, const QString& text);

Q_SIGNALS:
    void changed();

private:
    struct Change;
    struct Entry
    {
        QString text;
        QStringList keywords;
    };
    AtomicFileWriter::Result apply(const Change& change);
    void take(const StoreContent& content);
    void applyHere(const Change& change);
    bool nothingToMove(ListKind list, QStringView text) const;
    QJsonObject object() const;
    struct Stamp
    {
        QDateTime modified;
        qint64 size = -1;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stampNow() const;

    QString m_path;
    Access m_access = Access::ReadWrite;
    Stamp m_stamp;
    // By list: entry key -> the entry's text and keywords.
    QHash<QString, Entry> m_entries[2];
    // The same for keywords(), which a start asks for every row of a long
    // list: the keys (which the table's views point into) and their
    // keywords, made again whenever m_entries is.
    struct Lookup
    {
        std::vector<QString> keys;
        std::vector<QStringList> keywords;
        KeyTable table;
    };
    Lookup m_lookup[2];
    // Changes made here that the file does not have yet, oldest first.
    UnwrittenChanges<Change> m_unwritten;
};
