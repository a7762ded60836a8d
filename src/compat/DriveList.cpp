#include "compat/DriveList.h"

#include <QFile>
#include <QStorageInfo>

QStringList DriveList::mountedRoots()
{
    QStringList roots;
    const QString fixture = qEnvironmentVariable("ZUNO_VOLUME_ROOTS_FILE");
    if (!fixture.isEmpty()) {
        QFile file(fixture);
        if (file.open(QIODevice::ReadOnly))
            roots = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        roots.removeDuplicates();
        return roots;
    }
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& volume : volumes) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    }
    return roots;
}

QString DriveList::driveStrings(const QStringList& roots)
{
    QString list;
    for (const QString& root : roots)
        list += root + QChar(0);
    list += QChar(0);
    return list;
}
