#include "DamagedFile.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <cstring>

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

bool DamagedFile::renameWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) // a file system without the flag
        return false;
    if (QFileInfo::exists(to)) {
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
