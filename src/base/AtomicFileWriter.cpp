#include "base/AtomicFileWriter.h"

#include "base/LockFile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QThread>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Failure = AtomicFileWriter::Failure;
using Result = AtomicFileWriter::Result;

namespace {

// The kernel follows at most 40 links in one name; so does the writer.
constexpr int MaxLinks = 40;

Failure failureOf(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Failure::DiskFull;
    case EACCES:
    case EPERM:
        return Failure::NoPermission;
    case EROFS:
        return Failure::ReadOnlyFileSystem;
    default:
        return Failure::Other;
    }
}

Result failed(int error, const QString& detail)
{
    return {failureOf(error), error, detail};
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

// What a file was when it was read, to tell whether it is still that file.
struct Identity
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified = {};

    static Identity of(const struct stat& status, off_t size)
    {
        return {true, status.st_dev, status.st_ino, size, status.st_mtim};
    }
    bool matches(const QString& path) const
    {
        struct stat now = {};
        if (::lstat(encoded(path).constData(), &now) != 0)
            return !exists && errno == ENOENT;
        return exists && now.st_dev == device && now.st_ino == inode && now.st_size == size &&
               now.st_mtim.tv_sec == modified.tv_sec && now.st_mtim.tv_nsec == modified.tv_nsec;
    }
};

// Where a write of path lands: path itself, or the end of its chain of
// links. Refused when that is anything but a regular file or nothing yet,
// when a link on the way may have been planted by another user, or when the
// chain ends in nothing.
struct Target
{
    QString path;
    bool exists = false;
    Result refusal;
};

// Whether users other than the folder's owner may make entries in it.
bool othersMayWrite(const QString& folder)
{
    struct stat status = {};
    if (::stat(encoded(folder).constData(), &status) != 0)
        return true; // unknown: trust no link in it
    return (status.st_mode & (S_IWOTH | S_IWGRP)) != 0;
}

Target resolve(const QString& path)
{
    QString current = path;
    bool linked = false;
    for (int links = 0; links <= MaxLinks; ++links) {
        struct stat status = {};
        if (::lstat(encoded(current).constData(), &status) != 0) {
            const int error = errno;
            if (error == ENOENT && linked)
                return {current,
                        false,
                        {Failure::DanglingLink, ENOENT,
                         QStringLiteral("%1 is a link to %2, which does not exist")
                             .arg(path, current)}};
            if (error == ENOENT)
                return {current, false, {}};
            return {current, false, failed(error, QString::fromLocal8Bit(std::strerror(error)))};
        }
        if (S_ISREG(status.st_mode))
            return {current, true, {}};
        if (!S_ISLNK(status.st_mode))
            return {current,
                    true,
                    {Failure::NotRegularFile, 0,
                     QStringLiteral("%1 is not a regular file").arg(current)}};
        const QString folder = QFileInfo(current).absolutePath();
        if (status.st_uid != ::geteuid() && othersMayWrite(folder))
            return {current,
                    true,
                    {Failure::ForeignLink, EPERM,
                     QStringLiteral("%1 is a link of user %2 in %3, a folder others may write")
                         .arg(current)
                         .arg(status.st_uid)
                         .arg(folder)}};

        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t size = ::readlink(encoded(current).constData(), link.data(), link.size());
        if (size < 0) {
            const int error = errno;
            return {current, false, failed(error, QString::fromLocal8Bit(std::strerror(error)))};
        }
        link.truncate(size);
        const QString next = QFile::decodeName(link);
        current = QDir::isAbsolutePath(next) ? next : folder + QLatin1Char('/') + next;
        linked = true;
    }
    return {current, false, failed(ELOOP, QStringLiteral("too many levels of links"))};
}

// A folder a file of mode goes in: the user may search it where the file
// lets them read.
QFileDevice::Permissions folderModeOf(AtomicFileWriter::CreationMode mode)
{
    using P = QFileDevice::Permission;
    QFileDevice::Permissions folder = mode;
    for (const auto& [read, search] :
         {std::pair{P::ReadOwner, P::ExeOwner}, std::pair{P::ReadGroup, P::ExeGroup},
          std::pair{P::ReadOther, P::ExeOther}}) {
        if (mode.testFlag(read))
            folder |= search;
    }
    return folder;
}

// Makes the missing folders down to folder, each of the mode's folder mode
// (or the umask's); a folder already there is left as it is.
Result makeFolder(const QString& folder, AtomicFileWriter::CreationMode mode)
{
    if (QFileInfo(folder).isDir())
        return {};
    const auto cannot = [&folder](int error) {
        return failed(error, QStringLiteral("%1: the folder cannot be created").arg(folder));
    };
    errno = 0;
    if (mode == AtomicFileWriter::UmaskMode)
        return QDir().mkpath(folder) ? Result{} : cannot(errno);
    QStringList missing;
    for (QString at = QDir::cleanPath(folder); !QFileInfo(at).isDir();
         at = QFileInfo(at).absolutePath()) {
        if (QDir(at).isRoot())
            break;
        missing.prepend(at);
    }
    for (const QString& each : std::as_const(missing)) {
        errno = 0;
        // Another writer may make it meanwhile: its mode is then kept.
        if (!QDir().mkdir(each, folderModeOf(mode)) && !QFileInfo(each).isDir())
            return cannot(errno);
    }
    return {};
}

// After the rename only the folder's entry knows the new file; without this
// a power cut may bring the previous one back.
Result syncFolder(const QString& folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {}; // the file is written; nothing more can be done for it
    Result result;
    // Some file systems cannot sync a folder (EINVAL); theirs is not our loss.
    if (::fsync(fd) != 0 && errno != EINVAL)
        result = failed(errno, QStringLiteral("the folder could not be synced"));
    ::close(fd);
    return result;
}

// Replaces the regular file at path (or makes it). When stillCurrent
// answers false just before the rename, nothing is replaced and *outdated
// is set.
Result replace(const QString& path, QByteArrayView bytes, AtomicFileWriter::CreationMode mode,
               const std::function<bool()>& stillCurrent = {}, bool* outdated = nullptr)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (const Result made = makeFolder(folder, mode); !made.ok())
        return made;

    // Unbuffered, so that a full disk shows at the write that meets it.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(errno, file.errorString());
    // QSaveFile gives the new file an existing one's mode; a file made here
    // gets its mode before any byte is in it.
    errno = 0;
    if (mode != AtomicFileWriter::UmaskMode && !QFileInfo::exists(path) &&
        !file.setPermissions(mode)) {
        const Result result = failed(errno, file.errorString());
        file.cancelWriting();
        return result;
    }
    errno = 0;
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const Result result = failed(errno, file.errorString());
        file.cancelWriting();
        return result;
    }
    if (stillCurrent && !stillCurrent()) {
        file.cancelWriting();
        *outdated = true;
        return {};
    }
    errno = 0;
    if (!file.commit())
        return failed(errno, file.errorString());
    return syncFolder(folder);
}

// Reads the resolved target whole, and what it was when read. The open
// cannot block: the target is a regular file, and one swapped for anything
// else since is refused on the open descriptor.
Result readTarget(const Target& target, QByteArray* content, Identity* identity = nullptr)
{
    content->clear();
    if (identity)
        *identity = {};
    if (!target.refusal.ok() || !target.exists)
        return target.refusal;
    errno = 0;
    const int fd = ::open(encoded(target.path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(errno, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return {Failure::NotRegularFile, 0,
                QStringLiteral("%1 is not a regular file").arg(target.path)};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failed(EIO, file.errorString());
    }
    errno = 0;
    *content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failed(errno, file.errorString());
    // Taken after the reading, so that a change made meanwhile shows as one.
    if (identity && ::fstat(fd, &status) == 0)
        *identity = Identity::of(status, off_t(content->size()));
    return {};
}

Result tooLarge(const QString& path, qsizetype size, qint64 limit)
{
    return {Failure::TooLarge, EFBIG,
            QStringLiteral("%1: %2 bytes, more than the %3 its reader takes")
                .arg(path)
                .arg(size)
                .arg(limit)};
}

bool overLimit(qsizetype size, qint64 limit)
{
    return limit != AtomicFileWriter::NoSizeLimit && size > limit;
}

} // namespace

Result AtomicFileWriter::checkTarget(const QString& path)
{
    return resolve(path).refusal;
}

Result AtomicFileWriter::write(const QString& path, QByteArrayView bytes, qint64 sizeLimit,
                               CreationMode mode)
{
    const Target target = resolve(path);
    if (!target.refusal.ok())
        return target.refusal;
    if (overLimit(bytes.size(), sizeLimit))
        return tooLarge(path, bytes.size(), sizeLimit);
    return replace(target.path, bytes, mode);
}

QString AtomicFileWriter::lockFilePath(const QString& path)
{
    return path + QStringLiteral(".lock");
}

Result AtomicFileWriter::update(const QString& path, const Change& change,
                                std::chrono::milliseconds lockWait, qint64 sizeLimit,
                                CreationMode mode)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (const Result made = makeFolder(folder, mode); !made.ok())
        return made;

    // Short, jittered tries share the lock fairly between busy writers.
    const QString lockPath = lockFilePath(path);
    LockFile lock(lockPath, StaleLockTime);
    const QDeadlineTimer deadline(lockWait);
    for (;;) {
        const LockFile::State state = lock.tryLock();
        if (state == LockFile::State::Locked)
            break;
        const QString detail = QStringLiteral("%1: cannot be locked").arg(lockPath);
        if (state == LockFile::State::Foreign)
            return {Failure::LockTaken, 0, QStringLiteral("%1: %2").arg(detail, lock.reason())};
        if (state == LockFile::State::Failed)
            return failed(lock.error(), QStringLiteral("%1: %2").arg(detail, lock.reason()));
        if (deadline.hasExpired())
            return {Failure::Busy, 0, detail};
        QThread::msleep(QRandomGenerator::global()->bounded(1, 10));
    }

    for (int read = 0; read <= MaxRereads; ++read) {
        const Target target = resolve(path);
        QByteArray present;
        Identity identity;
        if (const Result result = readTarget(target, &present, &identity); !result.ok())
            return result;
        const std::optional<QByteArray> next = change(present);
        if (!next || (target.exists && *next == present))
            return {};
        if (overLimit(next->size(), sizeLimit))
            return tooLarge(path, next->size(), sizeLimit);
        bool outdated = false;
        const Result written = replace(
            target.path, *next, mode, [&] { return identity.matches(target.path); }, &outdated);
        if (!outdated)
            return written;
    }
    return {Failure::Busy, 0, QStringLiteral("%1 kept changing while it was written").arg(path)};
}

Result AtomicFileWriter::read(const QString& path, QByteArray* content)
{
    return readTarget(resolve(path), content);
}
