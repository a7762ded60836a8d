#include "search/ReadOnlyStoreFile.h"

#include "base/AtomicFileWriter.h"
#include "base/RegularFile.h"

#include <QFileInfo>

std::optional<QByteArray> ReadOnlyStoreFile::read(const QString& path, qint64 maxSize)
{
    QByteArray bytes;
    if (RegularFile::kind(path) != RegularFile::Kind::Regular || QFileInfo(path).size() > maxSize ||
        !AtomicFileWriter::read(path, &bytes))
        return std::nullopt;
    return bytes;
}
