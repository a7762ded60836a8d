#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// The reading side of the stores' small JSON files: bounded in size, never
// blocking on a named pipe, and a file that cannot be used set aside once
// (DamagedFile) so that a sound one takes its place.
class StoreFile
{
public:
    // The object the file at path holds; an empty one when there is no file,
    // when it cannot be read now, or when it was damaged and is set aside.
    // what names the file in the warning ("favourites").
    static QJsonObject load(const QString& path, qint64 maxSize, const char* what);

    // The object bytes hold, or nothing when they are not the store's format.
    static std::optional<QJsonObject> parse(const QByteArray& bytes);

    // The bytes of object as the stores write it: indented for the user's
    // own data, compact for the program's state.
    enum class Layout { Indented, Compact };
    static QByteArray bytesOf(const QJsonObject& object, Layout layout = Layout::Indented);
};
