#include "InstallLayout.h"

#include <QDir>
#include <QFileInfo>

#ifndef ZUNO_DATADIR_FROM_BINDIR
#define ZUNO_DATADIR_FROM_BINDIR "../share"
#endif

QString InstallLayout::dataFolder(const QString& programFolder)
{
    return QDir::cleanPath(programFolder + QLatin1Char('/') +
                           QLatin1String(ZUNO_DATADIR_FROM_BINDIR));
}

bool InstallLayout::isInstalled(const QString& programFolder)
{
    return !programFolder.isEmpty() &&
           QFileInfo(dataFolder(programFolder) + QStringLiteral("/applications/") +
                     QLatin1String(DesktopApplicationId) + QStringLiteral(".desktop"))
               .isFile();
}
