#pragma once

#include "search/EntryKey.h"
#include "search/UnwrittenChanges.h"

#include "base/AtomicFileWriter.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>

class StoreContent;

// The user's favourite entries of both lists, in a file of their own beside
// the list files, which it travels with. Each change is applied to the file
// as it is on disk at that moment, under the file's lock
// (AtomicFileWriter::update), so that two windows, or a copy synced from
// another machine, never lose each other's marks; the store then holds what
// the file holds.
//
// A file that cannot be used (not a file, too large, not the store's
// format) is set aside once (DamagedFile) and the store starts empty; the
// start never waits on it.
class FavouriteStore : public QObject
{
    Q_OBJECT
public:
    // The store's file in a list folder.
    static QString pathIn(const QString& listFolder);
    static constexpr const char* FileName = "Favourites.json";
    // A larger file is not read: no user marks that many entries. Nor is
    // one written: a mark that would take the file over it holds for this
    // run only, and is answered TooLarge.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    // A reader (the search service) only reads the file, and marks nothing:
    // a damaged file is left where it is, for the window to set aside.
    enum class Access { ReadWrite, ReadOnly };

    explicit FavouriteStore(const QString& path, QObject* parent = nullptr);
    FavouriteStore(const QString& path, Access access, QObject* parent = nullptr);
    ~FavouriteStore() override;
    QString path() const { return m_path; }

    // Reads the file again (at the start, or when it changed outside).
    void reload();

    bool isFavourite(ListKind list, QStringView text) const;
    // The marked entries' keys (EntryKey::of), for SearchIndex::setUse.
    QSet<QString> keys(ListKind list) const;

    // Each writes the change at once; a failed write keeps the change here
    // for this run (through reloads too) and answers why, and the change
    // goes to the file with the next one that is written. A change the file
    // cannot take for its size holds for this run only.
    AtomicFileWriter::Result mark(ListKind list, const QString& text);
    AtomicFileWriter::Result unmark(ListKind list, const QString& text);
    AtomicFileWriter::Result setFavourite(ListKind list, const QString& text, bool favourite);
    // An edited entry keeps its mark under its new text.
    AtomicFileWriter::Result rename(ListKind list, const QString& oldText, const QString& newText);
    // A removed entry loses its mark.
    AtomicFileWriter::Result forget(ListKind list, const QString& text);

Q_SIGNALS:
    // The marks changed (by this store or, seen at a write, by another).
    void changed();

private:
    struct Change;
    AtomicFileWriter::Result apply(const Change& change);
    void takeMarks(const StoreContent& content);
    // Applies a change to the marks of this run alone.
    void applyHere(const Change& change);

    QString m_path;
    Access m_access = Access::ReadWrite;
    // By list: key -> the text as it was marked.
    QHash<QString, QString> m_marks[2];
    // Changes made here that the file does not have yet, oldest first.
    UnwrittenChanges<Change> m_unwritten;
};
