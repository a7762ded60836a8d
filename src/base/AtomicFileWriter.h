#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFileDevice>
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
// - a link is followed only where its owner may be trusted: in a folder that
//   others may write (world- or group-writable, sticky or not), only a link
//   the user running the program owns, as the kernel's protected_symlinks
//   rule has it. A link to nothing is never followed: no file or folder is
//   made where it points;
// - the new content goes to a temporary file beside the target, which then
//   takes the target's place in one rename (QSaveFile), so a failed write
//   leaves the previous file whole; every write is checked;
// - after the rename the folder is synced, so that a power cut cannot bring
//   the previous file back;
// - update() applies one change to the file as it is on disk at that moment,
//   under a lock beside the file, so that several processes writing one file
//   keep each other's changes. Just before the new file takes the old one's
//   place, the old one is looked at again; one that changed meanwhile (a
//   writer that takes no lock) is read and the change applied again;
// - a size limit, when given, is the largest file the reader takes whole:
//   nothing larger is written;
// - a file it makes gets the creation mode, when given (the program's state
//   and tokens are the user's alone: PrivateFile), and a folder it makes the
//   same with search where read is given (0700 for PrivateFile); without one,
//   what the umask leaves. An existing file or folder keeps its mode.
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
        TooLarge,           // the file holds, or would hold, more than its reader takes whole
        LockTaken,          // something that is no lock of this program is at the lock's name
        ForeignLink,        // a link another user owns, in a folder others may write
        DanglingLink,       // a link to nothing: no file is made where it points
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

    // No limit on the size of what is written.
    static constexpr qint64 NoSizeLimit = -1;

    // The mode of a file the writer makes: none is the umask's default.
    using CreationMode = QFileDevice::Permissions;
    static constexpr CreationMode UmaskMode = {};
    static constexpr CreationMode PrivateFile = {QFileDevice::ReadOwner | QFileDevice::WriteOwner};

    // Replaces the file at path, or the file a link there points to, with
    // bytes. Creates a missing folder. Bytes over sizeLimit are TooLarge and
    // write nothing.
    static Result write(const QString& path, QByteArrayView bytes, qint64 sizeLimit = NoSizeLimit,
                        CreationMode mode = UmaskMode);

    // The change an update applies: it receives the file's content as it is
    // now (empty when there is no file yet) and answers the new content, or
    // nothing to leave the file alone.
    using Change = std::function<std::optional<QByteArray>(const QByteArray& present)>;

    // Takes the lock beside the file, waiting at most lockWait for another
    // writer (a lock whose process has gone, or that is older than
    // StaleLockTime, is taken over; anything at the lock's name that is no
    // lock answers LockTaken at once, untouched), reads the file, applies
    // change and writes the result. A file that exists but cannot be read is
    // never replaced. An answer equal to the present content writes nothing;
    // one over sizeLimit is TooLarge and writes nothing. The change may be
    // applied more than once, each time to the file as it is then: it must
    // not keep anything from an earlier call.
    static Result update(const QString& path, const Change& change,
                         std::chrono::milliseconds lockWait = DefaultLockWait,
                         qint64 sizeLimit = NoSizeLimit, CreationMode mode = UmaskMode);

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
    // How often update() reads and applies its change again when the file
    // keeps changing under it, before it gives up as Busy.
    static constexpr int MaxRereads = 8;
};
