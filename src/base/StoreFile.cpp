#include "base/StoreFile.h"

#include "base/AtomicFileWriter.h"
#include "base/DamagedFile.h"
#include "base/RegularFile.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

QJsonObject StoreFile::load(const QString& path, qint64 maxSize, const char* what)
{
    QString damage;
    QByteArray bytes;
    switch (RegularFile::kind(path)) {
    case RegularFile::Kind::Missing:
    case RegularFile::Kind::Unreadable: // there, but nothing can be done with it now
        return {};
    case RegularFile::Kind::Folder:
        damage = QStringLiteral("it is a folder");
        break;
    case RegularFile::Kind::Special:
        damage = QStringLiteral("it is a pipe, a device or a socket");
        break;
    case RegularFile::Kind::Regular:
        if (QFileInfo(path).size() > maxSize) {
            damage = QStringLiteral("it is larger than %1 bytes").arg(maxSize);
        } else if (!AtomicFileWriter::read(path, &bytes)) {
            return {};
        } else if (const std::optional<QJsonObject> object = parse(bytes)) {
            return *object;
        } else {
            damage = QStringLiteral("it is not a store file");
        }
        break;
    }
    QString why;
    const QString kept = DamagedFile::setAside(path, {}, &why);
    if (kept.isEmpty())
        qWarning("The %s file %s cannot be used (%s) nor set aside (%s); it is left alone.", what,
                 qUtf8Printable(path), qUtf8Printable(damage), qUtf8Printable(why));
    else
        qWarning("The %s file %s could not be used (%s); it is kept as %s.", what,
                 qUtf8Printable(path), qUtf8Printable(damage), qUtf8Printable(kept));
    return {};
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
