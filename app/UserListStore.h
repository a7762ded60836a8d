#pragma once

#include "AtomicFileWriter.h"
#include "UserListChange.h"
#include "UserListReader.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QFileSystemWatcher;
class QThread;
class QTimer;

// The user's entries of one list on disk ("Smileys.smy" or "Acronyms.acr" in
// the list folder). Every change the user makes is written at once, merged
// into the file as it is on disk under the file's lock, on a thread of its
// own, so that a long list never blocks the window. The file is followed:
// when it changes on disk (another window, another program), its entries
// are announced again. A change stays pending, and shown, until the file
// holds it.
class UserListStore : public QObject
{
    Q_OBJECT
public:
    // What tells one state of a file from another without reading it.
    struct FileStamp
    {
        quint64 device = 0, inode = 0;
        qint64 size = 0, modified = 0, changed = 0; // times in nanoseconds
        bool operator==(const FileStamp&) const = default;
        static std::optional<FileStamp> of(const QString& path);
    };

    // Reads the file at a path and reports its entries (the catalogue
    // control's LoadFile), answering what it found there.
    using Reader = std::function<UserListReader::Result(const QString& path)>;
    using Result = AtomicFileWriter::Result;
    using Entries = UserListChange::Entries;
    // The bytes the window's user entries of this list make as a file, or
    // nothing when present holds exactly those.
    using Rows = std::function<std::optional<QByteArray>(QByteArrayView present)>;

    // path: the list file; reader: the catalogue control that loads it.
    UserListStore(const QString& path, Reader reader, QObject* parent = nullptr);
    ~UserListStore() override;

    QString path() const { return m_path; }

    // The start: the file's entries through the catalogue control; from then
    // on the file is followed. A file the control read only in part is never
    // rewritten (that would lose the rest): writeFailed tells so at once.
    void load();
    // The file's entries again through the catalogue control, as load() does
    // (the language switch); a file read in part is told of once more only
    // when it was read whole before.
    void reload();

    // Writes a change of the user's at once, off this thread. On a file read
    // only in part, writeFailed tells at once that it cannot be saved.
    void record(const UserListChange& change);

    // Waits for a write under way, then writes here and now what is still
    // pending; with nothing pending the file is only created when missing.
    // The close calls it. A failed write leaves the previous file whole.
    Result flush();

    // Lets the close write the window's own entries (rows) while the file is
    // as the load found it, instead of reading it back to merge.
    void setRows(Rows rows) { m_rows = std::move(rows); }

    // The built-in texts of the list, which a user entry may not repeat.
    void setBuiltInTexts(const QStringList& texts);

    // Stops following the file, once a write under way has ended.
    void stop();

    bool hasPending() const { return !m_pending.isEmpty(); }
    // True while a write or a read runs on its thread.
    bool isBusy() const { return m_job != nullptr; }

Q_SIGNALS:
    // The user entries as they stand now: the file as it is on disk, with
    // the changes it does not hold yet applied on top.
    void entriesChanged(const UserListChange::Entries& entries);
    // A change could not be written; it stays pending and shown. Sent once,
    // until a write succeeds again.
    void writeFailed(const AtomicFileWriter::Result& result);

private:
    struct Trip;
    void start();
    void finish(Trip& trip, bool announce);
    void follow();
    Result readInPart() const;
    // When the file is as the last load found it, writes the rows under the
    // file's lock; false when it is not, or when it cannot tell.
    bool flushRows(Result* result);

    QString m_path;
    Reader m_reader;
    QList<UserListChange> m_pending;
    QSet<QString> m_builtInKeys;
    QThread* m_job = nullptr;
    std::shared_ptr<Trip> m_trip;
    quint64 m_ticket = 0;
    bool m_again = false;
    bool m_stopped = false;
    bool m_failing = false;
    bool m_readInPart = false; // the load met more than the reader takes
    Rows m_rows;
    // The file as the last load found it, while nothing was written or read
    // since; then the window's entries are what the file's load gives.
    std::optional<FileStamp> m_loadedStamp;

    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_settle = nullptr;
};
