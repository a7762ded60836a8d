#include "StoreFile.h"

#include <QJsonDocument>

QJsonObject StoreFile::load(const QString&, qint64, const char*)
{
    return {};
}

std::optional<QJsonObject> StoreFile::parse(const QByteArray&)
{
    return std::nullopt;
}

QByteArray StoreFile::bytesOf(const QJsonObject& object)
{
    return QJsonDocument(object).toJson();
}
