#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// The lock beside a file that several processes write: a small file created
// at the lock name, holding the owner's process id, program and host (the
// layout QLockFile reads and writes, so both kinds of writer exclude each
// other), and flock()ed while it is held.
//
// Taking it never blocks and never reads more than a lock file holds: the name
// is opened without following links and without blocking, and read only when
// it is a small regular file. Whatever else is at the name (a named pipe, a
// link, a folder, a device, a file larger than any lock) belongs to something
// that is not a writer of this program, is never changed, and is answered as
// Foreign. A lock whose process has gone, or that is older than the stale
// time and no longer flock()ed, is taken over at once.
class LockFile
{
public:
    enum class State {
        Locked,  // this object holds the lock
        Held,    // a live writer holds it: try again later
        Foreign, // something that is not a lock is at the name; see reason()
        Failed,  // the lock cannot be made here; see error()
    };

    // The most a lock file holds: its owner's id, program and host, with room.
    static constexpr qint64 MaxSize = 4096;

    LockFile(const QString& path, std::chrono::milliseconds staleTime);
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    State tryLock();
    void unlock();

    // The errno of the call that failed (Failed).
    int error() const { return m_error; }
    // What is at the name, in words (Foreign), or the system's own (Failed).
    QString reason() const { return m_reason; }

private:
    enum class Found { Gone, Stale, Held, Foreign, Failed };
    Found inspect();
    State fail(int error);

    QByteArray m_name;
    std::chrono::milliseconds m_staleTime;
    int m_fd = -1;
    int m_error = 0;
    QString m_reason;
};
