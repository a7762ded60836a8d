#include "search/ReadOnlyStoreFile.h"

#include "base/AtomicFileWriter.h"
#include "base/RegularFile.h"
#include "base/StoreFile.h"

#include <QFileInfo>

QJsonObject ReadOnlyStoreFile::load(const QString& path, qint64 maxSize)
{
    QByteArray bytes;
    if (RegularFile::kind(path) != RegularFile::Kind::Regular || QFileInfo(path).size() > maxSize ||
        !AtomicFileWriter::read(path, &bytes))
        return {};
    return StoreFile::parse(bytes).value_or(QJsonObject());
}
