#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A store file as a reader that may change nothing (the search service)
// sees it: the bytes StoreFile::read would give, but nothing is set aside; a
// file that cannot be used reads as none, for the window to set aside
// (StoreContent::loadReadOnly).
class ReadOnlyStoreFile
{
public:
    // The file's bytes, when it is a regular file within maxSize that reads.
    static std::optional<QByteArray> read(const QString& path, qint64 maxSize);
};
