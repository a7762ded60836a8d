#pragma once

#include <QJsonObject>
#include <QString>

// A store file as a reader that may change nothing (the search service)
// sees it: the object StoreFile::load would read, but nothing is set aside;
// a file that cannot be used reads as empty, for the window to set aside.
class ReadOnlyStoreFile
{
public:
    static QJsonObject load(const QString& path, qint64 maxSize);
};
