#include "ListFolder.h"

#include "InstallLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

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
