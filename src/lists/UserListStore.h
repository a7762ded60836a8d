#pragma once

#include "base/AtomicFileWriter.h"
#include "catalogue/UserListReader.h"
#include "lists/UserListChange.h"
#include "lists/UserListFile.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

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
    // Reads the file at a path and reports its entries (the catalogue
    // control's LoadFile), answering what it found there.
    using Reader = std::function<UserListReader::Result(const QString& path)>;
    using Result = AtomicFileWriter::Result;
    using Entries = UserListChange::Entries;

    // path: the list file; reader: the catalogue control that loads it.
    UserListStore(const QString& path, Reader reader, QObject* parent = nullptr);
    ~UserListStore() override;

    QString path() const { return m_path; }

    // The start: the file's entries through the catalogue control; from then
    // on the file is followed. A file the control read only in part (damaged
    // bytes, over a limit, lines it drops) is never written over: before the
    // first change is written it is set aside beside itself (DamagedFile),
    // and the part that was read, with the change, takes its place.
    void load();
    // The file's entries again through the catalogue control, as load() does
    // (the language switch).
    void reload();

    // Writes a change of the user's at once, off this thread. A change the
    // file cannot take now stays pending, and is tried again while it is
    // (a lock's name freed, a link gone); one that would make the file larger
    // than its reader takes is refused, stays shown, and does not hold back
    // the changes after it.
    void record(const UserListChange& change);
    // Many changes at once (an import), written together.
    void recordAll(QList<UserListChange> changes);

    // Waits for a write under way, then writes here and now what is still
    // pending; with nothing pending nothing is written. The close calls it.
    // A failed write leaves the previous file whole.
    Result flush();

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
    // Tries the pending changes again a moment later, while the last write
    // failed for a reason that may go away by itself.
    void retryLater(const Result& result);

    QString m_path;
    Reader m_reader;
    QList<UserListChange> m_pending;
    QSet<QString> m_builtInKeys;
    QThread* m_job = nullptr;
    std::shared_ptr<Trip> m_trip;
    std::shared_ptr<UserListFile::Known> m_known;
    quint64 m_ticket = 0;
    bool m_again = false;
    bool m_stopped = false;
    bool m_failing = false;
    bool m_readInPart = false; // the load met more than the reader takes

    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_settle = nullptr;
    QTimer* m_retry = nullptr;
    // The file that could not be watched: its inode and change time.
    std::pair<quint64, qint64> m_unwatchable{0, 0};
};
