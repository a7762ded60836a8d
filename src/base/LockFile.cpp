#include "base/LockFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSysInfo>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Creation, inspection and takeover race with other writers; a few rounds
// settle any of them.
constexpr int Rounds = 4;

QByteArray contents()
{
    return QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
           QCoreApplication::applicationName().toUtf8() + '\n' +
           QSysInfo::machineHostName().toUtf8() + '\n';
}

bool processRunning(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QString kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return QStringLiteral("a link");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a device");
}

} // namespace

LockFile::LockFile(const QString& path, std::chrono::milliseconds staleTime)
    : m_name(QFile::encodeName(path))
    , m_staleTime(staleTime)
{}

LockFile::~LockFile()
{
    unlock();
}

LockFile::State LockFile::fail(int error)
{
    m_error = error;
    m_reason = QString::fromLocal8Bit(std::strerror(error));
    return State::Failed;
}

LockFile::State LockFile::tryLock()
{
    if (m_fd >= 0)
        return State::Locked;
    for (int round = 0; round < Rounds; ++round) {
        // O_EXCL refuses whatever is at the name, a dangling link included.
        const int fd =
            ::open(m_name.constData(),
                   O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // Held while locked, so that a takeover can tell a live lock.
            ::flock(fd, LOCK_EX | LOCK_NB);
            const QByteArray owner = contents();
            errno = 0;
            if (::write(fd, owner.constData(), size_t(owner.size())) != owner.size()) {
                const int error = errno ? errno : ENOSPC;
                ::unlink(m_name.constData());
                ::close(fd);
                return fail(error);
            }
            m_fd = fd;
            return State::Locked;
        }
        if (errno != EEXIST)
            return fail(errno);
        switch (inspect()) {
        case Found::Gone:
        case Found::Stale:
            continue;
        case Found::Held:
            return State::Held;
        case Found::Foreign:
            return State::Foreign;
        case Found::Failed:
            return State::Failed;
        }
    }
    return State::Held;
}

LockFile::Found LockFile::inspect()
{
    struct stat named = {};
    if (::lstat(m_name.constData(), &named) != 0) {
        if (errno == ENOENT)
            return Found::Gone;
        fail(errno);
        return Found::Failed;
    }
    if (!S_ISREG(named.st_mode)) {
        m_reason = QStringLiteral("%1 is in the lock's place").arg(kindOf(named.st_mode));
        return Found::Foreign;
    }
    if (named.st_size > MaxSize) {
        m_reason = QStringLiteral("a file of %1 bytes is in the lock's place").arg(named.st_size);
        return Found::Foreign;
    }
    const int fd =
        ::open(m_name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ELOOP) // replaced meanwhile: look again
            return Found::Gone;
        fail(errno);
        return Found::Failed;
    }
    struct stat opened = {};
    if (::fstat(fd, &opened) != 0 || !sameFile(opened, named) || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return Found::Gone;
    }
    char buffer[MaxSize];
    const ssize_t size = ::read(fd, buffer, sizeof buffer);
    const QList<QByteArray> lines = QByteArray(buffer, size > 0 ? size : 0).split('\n');
    const qint64 pid = lines.value(0).toLongLong();
    const bool thisHost = lines.size() >= 3 && lines.at(2) == QSysInfo::machineHostName().toUtf8();
    // Either way: a clock set back, or a time in the future, makes no lock eternal.
    const qint64 age =
        qAbs(QDateTime::currentMSecsSinceEpoch() -
             (qint64(opened.st_mtim.tv_sec) * 1000 + opened.st_mtim.tv_nsec / 1000000));
    const bool ownerGone = thisHost && pid > 0 && !processRunning(pid);
    // A live holder keeps it flock()ed; only a lock nobody holds is taken
    // over, and only while the name is still that file.
    Found found = Found::Held;
    if ((ownerGone || age > m_staleTime.count()) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat now = {};
        if (::lstat(m_name.constData(), &now) == 0 && sameFile(now, opened) &&
            ::unlink(m_name.constData()) == 0)
            found = Found::Stale;
        else
            found = Found::Gone;
    }
    ::close(fd);
    return found;
}

void LockFile::unlock()
{
    if (m_fd < 0)
        return;
    // Only our own file: after a takeover the name may be another writer's.
    struct stat mine = {}, named = {};
    if (::fstat(m_fd, &mine) == 0 && ::lstat(m_name.constData(), &named) == 0 &&
        sameFile(mine, named))
        ::unlink(m_name.constData());
    ::close(m_fd);
    m_fd = -1;
}
