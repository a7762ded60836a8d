#include "base/DamagedFile.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

std::function<void(const QString&)>& beforeRename()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

} // namespace

void DamagedFile::setBeforeRename(std::function<void(const QString& to)> hook)
{
    beforeRename() = std::move(hook);
}

bool DamagedFile::isLinkLoop(const QString& path)
{
    struct stat status = {};
    const QByteArray name = QFile::encodeName(path);
    return ::lstat(name.constData(), &status) == 0 && S_ISLNK(status.st_mode) &&
           ::stat(name.constData(), &status) != 0 && errno == ELOOP;
}

bool DamagedFile::renameWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (beforeRename())
        beforeRename()(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) // EEXIST among them
        return false;
    // A file system without the flag. A hard link never replaces; the
    // name's other link then goes.
    if (::link(source.constData(), target.constData()) == 0)
        return ::unlink(source.constData()) == 0;
    if (errno == EEXIST)
        return false;
    // A folder cannot be linked, and a rename puts it at most over an empty
    // folder; a file system without hard links leaves only the rename after
    // a check.
    struct stat status = {};
    const bool folder = ::lstat(source.constData(), &status) == 0 && S_ISDIR(status.st_mode);
    if (!folder && ::lstat(target.constData(), &status) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(source.constData(), target.constData()) == 0;
}

QString DamagedFile::setAside(const QString& path, const QStringList& companionSuffixes,
                              QString* why)
{
    const QString stem =
        path + QLatin1String(".damaged-") + QDate::currentDate().toString(Qt::ISODate);
    for (int n = 1; n <= 99; ++n) {
        const QString target = n == 1 ? stem : stem + QLatin1Char('-') + QString::number(n);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        // The companions first: left behind, a journal would be played into
        // the new file.
        for (const QString& suffix : companionSuffixes) {
            const QString companion = path + suffix;
            if (QFileInfo::exists(companion) &&
                !renameWithoutReplacing(companion, target + suffix)) {
                if (why)
                    *why = QStringLiteral("cannot set aside %1: %2").arg(companion, systemReason());
                return {};
            }
        }
        if (renameWithoutReplacing(path, target))
            return target;
        if (errno != EEXIST)
            break;
    }
    if (why)
        *why = systemReason();
    return {};
}
