#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

// Writes the program's own small files (the user list files, the settings
// file) so that nothing already in them is lost:
// - only a regular file is ever written. A path that is, or links to, a
//   device, a named pipe, a socket or a folder is refused and left exactly as
//   it is. A link to a regular file stays a link, and the file it points to
//   is replaced;
// - the new content goes to a temporary file beside the target, which then
//   takes the target's place in one rename (QSaveFile), so a failed write
//   leaves the previous file whole; every write is checked;
// - after the rename the folder is synced, so that a power cut cannot bring
//   the previous file back;
// - update() applies one change to the file as it is on disk at that moment,
//   under a lock beside the file, so that several processes writing one file
//   keep each other's changes.
// Nothing throws; a failure answers its reason.
class AtomicFileWriter
{
public:
    // Why a write failed, so that the program can say it in its language.
    enum class Failure {
        None,
        DiskFull,           // no room left: full disk, quota, file-size limit
        NoPermission,       // the folder or the file may not be written (or read)
        ReadOnlyFileSystem, // the file lies on a read-only file system
        NotRegularFile,     // a device, a pipe, a socket, a folder, or a link to one
        Busy,               // another process held the lock for the whole wait
        TooLarge,           // the file holds more than its reader takes whole
        Other,
    };

    struct Result
    {
        Failure failure = Failure::None;
        int systemError = 0; // errno of the call that failed, when there was one
        QString detail;      // the system's own words, for logs and tests

        bool ok() const { return failure == Failure::None; }
        explicit operator bool() const { return ok(); }
    };

    // Replaces the file at path, or the file a link there points to, with
    // bytes. Creates a missing folder.
    static Result write(const QString& path, QByteArrayView bytes);

    // The change an update applies: it receives the file's content as it is
    // now (empty when there is no file yet) and answers the new content, or
    // nothing to leave the file alone.
    using Change = std::function<std::optional<QByteArray>(const QByteArray& present)>;

    // Takes the lock beside the file, waiting at most lockWait for another
    // writer (a lock whose process has gone, or that is older than
    // StaleLockTime, is taken over), reads the file, applies change and
    // writes the result. A file that exists but cannot be read is never
    // replaced. An answer equal to the present content writes nothing.
    static Result update(const QString& path, const Change& change,
                         std::chrono::milliseconds lockWait = DefaultLockWait);

    // Whether a write to path would be refused for what is there: None for a
    // regular file, a link to one, or nothing yet.
    static Result checkTarget(const QString& path);

    // The content of the regular file at path, or of the one a link there
    // points to; empty when there is no file yet. Anything else is refused
    // without being opened, so a named pipe cannot block the caller.
    static Result read(const QString& path, QByteArray* content);

    // The lock beside a file: its name with ".lock", the name QSettings
    // locks too, so a settings file is never written by both at once.
    static QString lockFilePath(const QString& path);

    static constexpr std::chrono::milliseconds DefaultLockWait{5000};
    static constexpr std::chrono::milliseconds StaleLockTime{30000};
};
