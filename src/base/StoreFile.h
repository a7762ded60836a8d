#pragma once

#include "base/AtomicFileWriter.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <optional>

// The reading side of the small store files (the favourites, the usage, the
// settings): bounded in size, never blocking on a named pipe, and a file that
// cannot be used set aside once (DamagedFile) so that a sound one takes its
// place.
class StoreFile
{
public:
    // Why a store's bytes cannot be used; empty when they can.
    using DamageOf = std::function<QString(const QByteArray& bytes)>;

    // The bytes of the file at path, when they can be used; nothing when
    // there is no file or it cannot be read now. A file that is no regular
    // file (a folder, a pipe, a device, a socket, a link loop), is larger
    // than maxSize or whose bytes damageOf finds unusable is set aside, and
    // gives nothing. what names the file in the warning ("favourites").
    static std::optional<QByteArray> read(const QString& path, qint64 maxSize, const char* what,
                                          const DamageOf& damageOf);

    // The JSON object the file at path holds (read()); an empty one when
    // there is no file, when it cannot be read now, or when it was damaged
    // and is set aside.
    // what names the file in the warning ("favourites").
    static QJsonObject load(const QString& path, qint64 maxSize, const char* what);

    // The object bytes hold, or nothing when they are not the store's format.
    static std::optional<QJsonObject> parse(const QByteArray& bytes);
    // Why bytes are not the store's format, for read()'s damageOf; empty when
    // they are, and object then holds what they hold.
    static QString formatDamage(const QByteArray& bytes, QJsonObject* object);

    // The bytes of object as the stores write it: indented for the user's
    // own data, compact for the program's state.
    enum class Layout { Indented, Compact };
    static QByteArray bytesOf(const QJsonObject& object, Layout layout = Layout::Indented);

    // The writing side of a store that merges: change is applied to the
    // object the file holds at that moment, under its lock
    // (AtomicFileWriter::update), and the object written, so that two
    // programs never lose each other's changes. A file found damaged since it
    // was read is set aside (load), and the change starts a new one. written
    // receives the object as written, when it was.
    using ObjectChange = std::function<void(QJsonObject& object)>;
    static AtomicFileWriter::Result update(const QString& path, qint64 maxSize, const char* what,
                                           AtomicFileWriter::CreationMode mode,
                                           const ObjectChange& change,
                                           std::optional<QJsonObject>* written);
};
