#include "base/ListFolder.h"

#include "base/DamagedFile.h"
#include "base/InstallLayout.h"
#include "base/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <unistd.h>

namespace {

// Copies source to a new file target, never over one that is there; the
// copy is complete on disk before it takes its name.
bool copyWithoutReplacing(const QString& source, const QString& target)
{
    QFile from;
    if (RegularFile::openForReading(from, source) != RegularFile::Kind::Regular)
        return false;
    QTemporaryFile to(target + QStringLiteral(".XXXXXX"));
    if (!to.open())
        return false;
    QByteArray piece(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = from.read(piece.data(), piece.size());
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (to.write(piece.constData(), got) != got)
            return false;
    }
    if (!to.flush() || ::fsync(to.handle()) != 0)
        return false;
    to.setPermissions(from.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!DamagedFile::renameWithoutReplacing(to.fileName(), target))
        return false;
    to.setAutoRemove(false);
    return true;
}

} // namespace

QString ListFolder::choose(const QString& programFolder, const QString& dataFolder)
{
    // An installation's folder is no place for a user's data, even where root
    // could write it.
    return isWritable(programFolder) && !InstallLayout::isInstalled(programFolder) ? programFolder
                                                                                   : dataFolder;
}

QString ListFolder::userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool ListFolder::isWritable(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    // Permission bits do not tell the whole story (root, read-only mounts):
    // only creating a file does.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".zuno-probe-XXXXXX")));
    return probe.open();
}

QStringList ListFolder::programListsToCopy(const QString& programFolder, const QString& dataFolder,
                                           const QStringList& fileNames)
{
    QStringList wanted;
    if (QFileInfo(programFolder).canonicalFilePath() == QFileInfo(dataFolder).canonicalFilePath())
        return wanted;
    for (const QString& name : fileNames) {
        const QString target = QDir(dataFolder).filePath(name);
        if (RegularFile::kind(QDir(programFolder).filePath(name)) == RegularFile::Kind::Regular &&
            !QFileInfo::exists(target) && !QFileInfo(target).isSymLink())
            wanted << name;
    }
    return wanted;
}

QStringList ListFolder::copyProgramLists(const QString& programFolder, const QString& dataFolder,
                                         const QStringList& fileNames)
{
    QStringList copied;
    for (const QString& name : programListsToCopy(programFolder, dataFolder, fileNames)) {
        const QString source = QDir(programFolder).filePath(name);
        const QString target = QDir(dataFolder).filePath(name);
        if (!QDir().mkpath(dataFolder) || !copyWithoutReplacing(source, target)) {
            qWarning("The list file %s could not be copied to %s.", qUtf8Printable(source),
                     qUtf8Printable(dataFolder));
            continue;
        }
        copied << name;
    }
    return copied;
}
