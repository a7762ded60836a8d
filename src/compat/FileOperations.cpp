#include "compat/FileOperations.h"

#include "base/TextRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace {

QByteArray encoded(const QString& name)
{
    return QFile::encodeName(name);
}

bool entryExists(const QString& name, struct stat* status)
{
    return ::lstat(encoded(name).constData(), status) == 0;
}

bool isSameOrInside(const QString& inner, const QString& outer)
{
    const QString a = QFileInfo(inner).absoluteFilePath();
    const QString b = QFileInfo(outer).absoluteFilePath();
    return a == b || a.startsWith(b + QLatin1Char('/'));
}

} // namespace

bool FileOperations::moveInto(const QStringList& sources, const QString& destinationFolder)
{
    bool all = true;
    QStringList entries;
    for (const QString& source : sources) {
        if (source.isEmpty())
            continue;
        if (TextRules::holdsNul(source)) {
            all = false;
            continue;
        }
        const QStringList matching = expand(source);
        all &= !matching.isEmpty();
        entries += matching;
    }
    if (entries.isEmpty())
        return all; // nothing to move: the destination is not made either
    if (TextRules::holdsNul(destinationFolder))
        return false;
    const QString folder = QFileInfo(destinationFolder).absoluteFilePath();
    if (!QDir().mkpath(folder))
        return false;
    for (const QString& entry : std::as_const(entries))
        all &= moveEntry(entry, folder + QLatin1Char('/') + QFileInfo(entry).fileName());
    return all;
}

bool FileOperations::rename(const QString& from, const QString& to)
{
    if (from.isEmpty() || to.isEmpty() || TextRules::holdsNul(from) || TextRules::holdsNul(to))
        return false;
    const QString source = QFileInfo(QDir::cleanPath(from)).absoluteFilePath();
    struct stat status = {};
    if (!entryExists(source, &status))
        return false;
    const QFileInfo target(QDir::cleanPath(to));
    if (!QDir().mkpath(target.absolutePath()))
        return false;
    return moveEntry(source, target.absoluteFilePath());
}

QStringList FileOperations::expand(const QString& source)
{
    const QFileInfo info(QDir::cleanPath(source));
    QString pattern = info.fileName();
    if (!pattern.contains(QLatin1Char('*')) && !pattern.contains(QLatin1Char('?'))) {
        struct stat status = {};
        if (!entryExists(info.absoluteFilePath(), &status))
            return {};
        return {info.absoluteFilePath()};
    }
    if (pattern == QLatin1String("*.*"))
        pattern = QStringLiteral("*");
    const QDir folder = info.absoluteDir();
    QStringList entries;
    const QStringList names = folder.entryList({pattern}, QDir::AllEntries | QDir::Hidden |
                                                              QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names)
        entries.append(folder.absoluteFilePath(name));
    return entries;
}

bool FileOperations::moveEntry(const QString& from, const QString& to)
{
    struct stat source = {};
    if (!entryExists(from, &source))
        return false;
    if (from == to)
        return true;
    const bool sourceIsFolder = S_ISDIR(source.st_mode);
    if (sourceIsFolder && isSameOrInside(to, from))
        return false; // a folder cannot go into itself

    struct stat target = {};
    if (entryExists(to, &target)) {
        if (source.st_dev == target.st_dev && source.st_ino == target.st_ino)
            return true; // two names of one file
        const bool targetIsFolder = S_ISDIR(target.st_mode);
        if (sourceIsFolder && targetIsFolder) {
            // Yes to all: the folders merge, files of the same name are replaced.
            return moveContents(from, to);
        }
        if (sourceIsFolder != targetIsFolder)
            return false;
    }

    if (::rename(encoded(from).constData(), encoded(to).constData()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    return moveAcrossFileSystems(from, to);
}

// Moves every entry of the folder `from` into the folder `to`, then removes
// `from`; entries that cannot move stay, and so does `from`.
bool FileOperations::moveContents(const QString& from, const QString& to)
{
    bool all = true;
    const QStringList names =
        QDir(from).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names)
        all &= moveEntry(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name);
    return all && ::rmdir(encoded(from).constData()) == 0;
}

bool FileOperations::moveAcrossFileSystems(const QString& from, const QString& to)
{
    struct stat source = {};
    if (!entryExists(from, &source))
        return false;
    if (S_ISLNK(source.st_mode))
        return copyLink(from, to) && QFile::remove(from);
    if (S_ISREG(source.st_mode))
        return copyFile(from, to) && QFile::remove(from);
    if (S_ISDIR(source.st_mode)) {
        if (!QDir().exists(to) && ::mkdir(encoded(to).constData(), source.st_mode & 07777) != 0)
            return false;
        return moveContents(from, to);
    }
    return false; // devices, pipes and sockets stay where they are
}

// The copy is made under a temporary name beside the target and then renamed
// over it, so a failed copy leaves both files as they were, and a target that
// is a link is replaced itself, as rename(2) does, instead of the file it
// points to being overwritten.
bool FileOperations::copyFile(const QString& from, const QString& to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QTemporaryFile out(to + QStringLiteral(".XXXXXX"));
    if (!out.open())
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (out.write(buffer, n) != n)
            return false;
    }
    struct stat status = {};
    if (::fstat(in.handle(), &status) != 0 || !out.flush() ||
        ::fchmod(out.handle(), status.st_mode & 07777) != 0 || ::fsync(out.handle()) != 0)
        return false;
    const timespec times[2] = {status.st_atim, status.st_mtim};
    ::futimens(out.handle(), times);
    out.close();
    if (::rename(encoded(out.fileName()).constData(), encoded(to).constData()) != 0)
        return false; // the temporary file goes with `out`
    out.setAutoRemove(false);
    return true;
}

// The link is made under a temporary name and renamed over the target, which
// is removed only when the new link stands. Its text is kept as it is, so a
// relative link stays relative.
bool FileOperations::copyLink(const QString& from, const QString& to)
{
    QByteArray target(PATH_MAX, '\0');
    const ssize_t size = ::readlink(encoded(from).constData(), target.data(), target.size());
    if (size <= 0 || size >= target.size())
        return false;
    target.truncate(size);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary =
            encoded(to + QStringLiteral(".%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                   QLatin1Char('0')));
        if (::symlink(target.constData(), temporary.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::rename(temporary.constData(), encoded(to).constData()) == 0)
            return true;
        ::unlink(temporary.constData());
        return false;
    }
    return false;
}
