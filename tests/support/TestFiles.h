#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Reading and writing the files a test sets up or checks, byte for byte.
namespace TestFiles {

// The file's bytes, or a marker that no test writes when it cannot be read.
inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Replaces the file with these bytes; false when it could not.
inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace TestFiles
