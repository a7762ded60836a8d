#include "AtomicFileWriter.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QThread>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
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

// Where a write of path lands: path itself, or the end of its chain of
// links. Refused when that is anything but a regular file or nothing yet.
struct Target
{
    QString path;
    bool exists = false;
    Result refusal;
};

Target resolve(const QString& path)
{
    QString current = path;
    for (int links = 0; links <= MaxLinks; ++links) {
        struct stat status = {};
        if (::lstat(encoded(current).constData(), &status) != 0) {
            const int error = errno;
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

        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t size = ::readlink(encoded(current).constData(), link.data(), link.size());
        if (size < 0) {
            const int error = errno;
            return {current, false, failed(error, QString::fromLocal8Bit(std::strerror(error)))};
        }
        link.truncate(size);
        const QString next = QFile::decodeName(link);
        current =
            QDir::isAbsolutePath(next) ? next : QFileInfo(current).path() + QLatin1Char('/') + next;
    }
    return {current, false, failed(ELOOP, QStringLiteral("too many levels of links"))};
}

// A lock file that could not be created tells no errno; the folder does.
Result whyFolderRefuses(const QString& folder, const QString& detail)
{
    struct statvfs volume = {};
    if (::statvfs(encoded(folder).constData(), &volume) == 0 && (volume.f_flag & ST_RDONLY))
        return {Failure::ReadOnlyFileSystem, EROFS, detail};
    return {Failure::NoPermission, EACCES, detail};
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

Result replace(const QString& path, QByteArrayView bytes)
{
    const QString folder = QFileInfo(path).absolutePath();
    errno = 0;
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return failed(errno, QStringLiteral("%1: the folder cannot be created").arg(folder));

    // Unbuffered, so that a full disk shows at the write that meets it.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(errno, file.errorString());
    errno = 0;
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const Result result = failed(errno, file.errorString());
        file.cancelWriting();
        return result;
    }
    errno = 0;
    if (!file.commit())
        return failed(errno, file.errorString());
    return syncFolder(folder);
}

Result readTarget(const Target& target, QByteArray* content)
{
    content->clear();
    if (!target.refusal.ok() || !target.exists)
        return target.refusal;
    QFile file(target.path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return failed(errno, file.errorString());
    errno = 0;
    *content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failed(errno, file.errorString());
    return {};
}

} // namespace

Result AtomicFileWriter::checkTarget(const QString& path)
{
    return resolve(path).refusal;
}

Result AtomicFileWriter::write(const QString& path, QByteArrayView bytes)
{
    const Target target = resolve(path);
    if (!target.refusal.ok())
        return target.refusal;
    return replace(target.path, bytes);
}

QString AtomicFileWriter::lockFilePath(const QString& path)
{
    return path + QStringLiteral(".lock");
}

Result AtomicFileWriter::update(const QString& path, const Change& change,
                                std::chrono::milliseconds lockWait)
{
    const QString folder = QFileInfo(path).absolutePath();
    errno = 0;
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return failed(errno, QStringLiteral("%1: the folder cannot be created").arg(folder));

    // QLockFile's own wait doubles its sleeps up to seconds, which starves a
    // writer behind a busy one; short, jittered tries share the lock fairly.
    QLockFile lock(lockFilePath(path));
    lock.setStaleLockTime(StaleLockTime);
    const QDeadlineTimer deadline(lockWait);
    while (!lock.tryLock(0)) {
        const QString detail = QStringLiteral("%1: cannot be locked").arg(lockFilePath(path));
        if (lock.error() != QLockFile::LockFailedError)
            return whyFolderRefuses(folder, detail);
        if (deadline.hasExpired())
            return {Failure::Busy, 0, detail};
        QThread::msleep(QRandomGenerator::global()->bounded(1, 10));
    }

    const Target target = resolve(path);
    QByteArray present;
    if (const Result read = readTarget(target, &present); !read.ok())
        return read;
    const std::optional<QByteArray> next = change(present);
    if (!next || (target.exists && *next == present))
        return {};
    return replace(target.path, *next);
}

Result AtomicFileWriter::read(const QString& path, QByteArray* content)
{
    return readTarget(resolve(path), content);
}
