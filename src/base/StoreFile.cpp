#include "base/StoreFile.h"

#include "base/AtomicFileWriter.h"
#include "base/DamagedFile.h"
#include "base/RegularFile.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

std::optional<QByteArray> StoreFile::read(const QString& path, qint64 maxSize, const char* what,
                                          const DamageOf& damageOf)
{
    QString damage;
    QByteArray bytes;
    // A link that leads back to itself can never be a file: without this it
    // would read as missing, and every write would fail.
    const RegularFile::Kind kind =
        DamagedFile::isLinkLoop(path) ? RegularFile::Kind::Special : RegularFile::kind(path);
    switch (kind) {
    case RegularFile::Kind::Missing:
    case RegularFile::Kind::Unreadable: // there, but nothing can be done with it now
        return std::nullopt;
    case RegularFile::Kind::Folder:
        damage = QStringLiteral("it is a folder");
        break;
    case RegularFile::Kind::Special:
        damage = QStringLiteral("it is a pipe, a device, a socket or a link loop");
        break;
    case RegularFile::Kind::Regular:
        if (QFileInfo(path).size() > maxSize)
            damage = QStringLiteral("it is larger than %1 bytes").arg(maxSize);
        else if (!AtomicFileWriter::read(path, &bytes))
            return std::nullopt;
        else
            damage = damageOf(bytes);
        break;
    }
    if (damage.isEmpty())
        return bytes;
    QString why;
    const QString kept = DamagedFile::setAside(path, {}, &why);
    if (kept.isEmpty())
        qWarning("The %s file %s cannot be used (%s) nor set aside (%s); it is left alone.", what,
                 qUtf8Printable(path), qUtf8Printable(damage), qUtf8Printable(why));
    else
        qWarning("The %s file %s could not be used (%s); it is kept as %s.", what,
                 qUtf8Printable(path), qUtf8Printable(damage), qUtf8Printable(kept));
    return std::nullopt;
}

QJsonObject StoreFile::load(const QString& path, qint64 maxSize, const char* what)
{
    QJsonObject object;
    read(path, maxSize, what,
         [&object](const QByteArray& bytes) { return formatDamage(bytes, &object); });
    return object;
}

QString StoreFile::formatDamage(const QByteArray& bytes, QJsonObject* object)
{
    std::optional<QJsonObject> parsed = parse(bytes);
    if (!parsed)
        return QStringLiteral("it is not a store file");
    *object = std::move(*parsed);
    return QString();
}

std::optional<QJsonObject> StoreFile::parse(const QByteArray& bytes)
{
    if (bytes.trimmed().isEmpty())
        return QJsonObject();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QByteArray StoreFile::bytesOf(const QJsonObject& object, Layout layout)
{
    return QJsonDocument(object).toJson(layout == Layout::Compact ? QJsonDocument::Compact
                                                                  : QJsonDocument::Indented);
}

AtomicFileWriter::Result StoreFile::update(const QString& path, qint64 maxSize, const char* what,
                                           AtomicFileWriter::CreationMode mode,
                                           const ObjectChange& change,
                                           std::optional<QJsonObject>* written)
{
    bool damaged = false;
    const auto applyToFile = [&](const QByteArray& present) -> std::optional<QByteArray> {
        std::optional<QJsonObject> object = parse(present);
        if (!object) {
            damaged = true;
            return std::nullopt;
        }
        change(*object);
        *written = *object;
        return bytesOf(*object);
    };
    AtomicFileWriter::Result result = AtomicFileWriter::update(
        path, applyToFile, AtomicFileWriter::DefaultLockWait, maxSize, mode);
    if (damaged) {
        load(path, maxSize, what);
        result = AtomicFileWriter::update(path, applyToFile, AtomicFileWriter::DefaultLockWait,
                                          maxSize, mode);
    }
    return result;
}
