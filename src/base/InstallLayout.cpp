#include "base/InstallLayout.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The install rules' folders, relative to each other (base/CMakeLists.txt).
QString beside(const QString& folder, const char* relative, const QString& name = {})
{
    QString path = folder + QLatin1Char('/') + QLatin1String(relative);
    if (!name.isEmpty())
        path += QLatin1Char('/') + name;
    return QDir::cleanPath(path);
}

} // namespace

QString InstallLayout::dataFolder(const QString& programFolder)
{
    return beside(programFolder, ZUNO_DATADIR_FROM_BINDIR);
}

bool InstallLayout::isInstalled(const QString& programFolder)
{
    return !programFolder.isEmpty() &&
           QFileInfo(dataFolder(programFolder) + QStringLiteral("/applications/") +
                     QLatin1String(DesktopApplicationId) + QStringLiteral(".desktop"))
               .isFile();
}

QString InstallLayout::programFolderOf(const QString& processFolder)
{
    if (isInstalled(processFolder))
        return processFolder;
    const QString installedBin = beside(processFolder, ZUNO_BINDIR_FROM_LIBEXECDIR);
    return isInstalled(installedBin) ? installedBin : processFolder;
}

QString InstallLayout::helperProgram(const QString& programFolder, const QString& name)
{
    return isInstalled(programFolder) ? beside(programFolder, ZUNO_LIBEXECDIR_FROM_BINDIR, name)
                                      : QDir(programFolder).filePath(name);
}

QString InstallLayout::privateLibrary(const QString& programFolder, const QString& fileName)
{
    return isInstalled(programFolder)
               ? beside(programFolder, ZUNO_PRIVATE_LIBDIR_FROM_BINDIR, fileName)
               : QDir(programFolder).filePath(fileName);
}
