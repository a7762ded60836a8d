#include "ovshell/KeptFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

const QByteArray KeptFile::Marker = QByteArrayLiteral("X-OrvakShell-Registration");

namespace {

// The marker stands in the first lines; a file that merely quotes it further
// down is not taken for the library's own.
constexpr qsizetype MarkerReach = 1024;
// Larger files were not written by the library and are not read at all.
constexpr qint64 LargestOwnFile = 4 * 1024 * 1024;

enum class Found { Absent, Own, Foreign };

// What stands at the path; `bytes` gets an own file's content.
Found inspect(const QString& path, QByteArray* bytes)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return Found::Foreign;
    if (!info.exists())
        return Found::Absent;
    // Folders, pipes and devices are never opened.
    if (!info.isFile() || info.size() > LargestOwnFile)
        return Found::Foreign;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Found::Foreign;
    *bytes = file.readAll();
    return bytes->left(MarkerReach).contains(KeptFile::Marker) ? Found::Own : Found::Foreign;
}

} // namespace

KeptFile::Outcome KeptFile::keep(const QString& path, const QByteArray& content)
{
    QByteArray current;
    switch (inspect(path, &current)) {
    case Found::Foreign:
        return Outcome::Foreign;
    case Found::Own:
        if (current == content)
            return Outcome::Unchanged;
        break;
    case Found::Absent:
        break;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return Outcome::Failed;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return Outcome::Failed;
    return file.commit() ? Outcome::Written : Outcome::Failed;
}

KeptFile::Outcome KeptFile::discard(const QString& path)
{
    QByteArray current;
    switch (inspect(path, &current)) {
    case Found::Absent:
        return Outcome::Unchanged;
    case Found::Foreign:
        return Outcome::Foreign;
    case Found::Own:
        break;
    }
    return QFile::remove(path) ? Outcome::Removed : Outcome::Failed;
}
