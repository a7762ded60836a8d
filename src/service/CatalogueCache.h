#pragma once

#include "search/BilingualEntry.h"
#include "search/SearchIndex.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>

// A stored copy of what the service makes of the user's two list files: each
// list's entries as the window's rule keeps them, with their fields as the
// search index folds them, so that a start reads one file and makes no
// string of its own for them. The list files stay the truth: a copy is used
// only for the very files it was made from (device, inode, size and time to
// the nanosecond) by the same program (sourceKey). It is checked whole
// (sizes, bounds, a checksum of each list) before any entry is taken from
// it; a copy that fails is ignored, and the files are read.
class CatalogueCache
{
public:
    ~CatalogueCache();
    CatalogueCache(const CatalogueCache&) = delete;
    CatalogueCache& operator=(const CatalogueCache&) = delete;

    // A list file as it was read: missing, or its identity and change time.
    struct FileStamp
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 seconds = 0;
        qint64 nanoseconds = 0;
        // The inode's change: a file written and its time set back changed.
        qint64 changeSeconds = 0;
        qint64 changeNanoseconds = 0;
        quint64 exists = 0;
        bool operator==(const FileStamp&) const = default;
        static FileStamp of(const QString& path);
    };
    using Stamps = std::array<FileStamp, 2>;

    // $XDG_CACHE_HOME/ZunoSmileys/search-rows (or ~/.cache/...).
    static QString defaultPath();
    // A larger file is not read.
    static constexpr qint64 MaxFileSize = 512LL * 1024 * 1024;

    // The same bytes give the same key; the caller hashes what the rows
    // depend on besides the files (the built-in texts, the paths).
    static quint64 hash(const void* data, qsizetype size, quint64 seed = 0);

    // The copy at path when it was made from files of these stamps by a
    // program of this sourceKey and passes every check; null otherwise.
    static std::shared_ptr<const CatalogueCache> read(const QString& path, quint64 sourceKey,
                                                      const Stamps& stamps);

    // Writes the user's entries of each list, [first, end) of entries (in
    // list order, after the window's rule), replacing the copy at once;
    // false when it could not.
    using Ranges = std::array<std::pair<qsizetype, qsizetype>, 2>;
    static bool write(const QString& path, quint64 sourceKey, const Stamps& stamps,
                      const QList<BilingualEntry>& entries, const Ranges& ranges);

    // Puts a copy of the mapped units in place of their mapping, at the same
    // addresses: from then on nothing done to the file shows here. A start
    // answers before it (the copy's pages cost that answer a third of its
    // time); once is enough. Then the file's lease is let go.
    void ownUnits() const;

    qsizetype rows(int list) const { return m_lists[list].rows; }
    // The row's entry; its strings point into this copy.
    BilingualEntry entry(int list, qsizetype row) const;
    // The row's fields as the search index folds them.
    SearchIndex::FoldedRow folded(int list, qsizetype row) const
    {
        return {field(list, row, FoldedText), field(list, row, FoldedRest),
                field(list, row, EntryKey), field(list, row, Shape)};
    }

private:
    CatalogueCache() = default;
    // Each row's fields, in this order, one after the other in units.
    enum Field { Text, Description, FoldedText, FoldedRest, EntryKey, Shape, FieldCount };
    struct List
    {
        qsizetype rows = 0;
        const quint32* ends = nullptr; // FieldCount ends for each row
        const QChar* units = nullptr;
    };
    QStringView field(int list, qsizetype row, Field field) const
    {
        const List& l = m_lists[list];
        const qsizetype at = row * FieldCount + field;
        const quint32 start = at == 0 ? 0 : l.ends[at - 1];
        return QStringView(l.units + start, l.ends[at] - start);
    }

    // The file's header and ends, in memory of their own (a file changed
    // meanwhile changes no bound), and the whole file mapped (under a read
    // lease) or read for its units.
    char* m_data = nullptr;
    qsizetype m_size = 0;
    const char* m_mapped = nullptr;
    qsizetype m_mappedSize = 0;
    // The units are in memory of this copy's own (read, or by ownUnits).
    mutable bool m_unitsOwned = false;
    // The read lease held while the units are mapped from the file, or -1.
    mutable int m_lease = -1;
    std::array<List, 2> m_lists;
};
