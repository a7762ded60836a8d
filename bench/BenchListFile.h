#pragma once

#include "lists/UserListFormat.h"

#include <QFile>
#include <QString>

// A list file of numbered entries, written as the program writes one.
inline void writeBenchListFile(const QString& path, const QString& prefix, int entries)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray bytes;
    for (int i = 0; i < entries; ++i)
        bytes += UserListFormat::line(prefix + QString::number(i),
                                      QStringLiteral("Entrée numéro %1").arg(i));
    file.write(bytes);
}
