#pragma once

// What the class registry's tests write and read back, and where.

#include "compat/registry/ClassRegistry.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QtEndian>

using Status = ClassRegistry::Status;

inline QByteArray nulTerminated(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bytes.append('\0');
    return bytes;
}

inline QByteArray dword(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// The bytes of a regular file; a pipe or a folder is never opened.
inline QByteArray fileBytes(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return QFileInfo(path).isDir() ? QByteArray("<folder>") : QByteArray("<no file>");
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A store in a folder of its own that does not exist yet.
inline QString storeIn(const QTemporaryDir& dir)
{
    return dir.filePath("store/registry.sqlite");
}
