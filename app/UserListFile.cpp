#include "UserListFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

QByteArray UserListFile::format(const QList<Record>& records)
{
    QByteArray bytes;
    for (const Record& record : records) {
        bytes += '"';
        bytes += record.text.toUtf8();
        bytes += "\",\"";
        bytes += record.description.toUtf8();
        bytes += "\"\r\n";
    }
    return bytes;
}

bool UserListFile::save(const QString& path, const QList<Record>& records, QString* errorString)
{
    auto fail = [errorString](const QString& reason) {
        if (errorString)
            *errorString = reason;
        return false;
    };

    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(QDir::toNativeSeparators(folder) + QStringLiteral(": ") +
                    QStringLiteral("cannot create the folder"));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const QByteArray bytes = format(records);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
