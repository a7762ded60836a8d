#include "UserListFile.h"

#include "TextRules.h"
#include "UserListChange.h"

QByteArray UserListFile::format(const QList<Record>& records)
{
    QByteArray bytes;
    for (const Record& record : records)
        bytes += UserListFormat::line(record.text, record.description);
    return bytes;
}

UserListFile::Result UserListFile::save(const QString& path, const QList<Record>& records)
{
    return AtomicFileWriter::write(path, format(records));
}

UserListFile::Result UserListFile::read(const QString& path, QList<Record>* records)
{
    QByteArray bytes;
    const Result result = AtomicFileWriter::read(path, &bytes);
    *records = result ? UserListFormat::read(bytes) : QList<Record>();
    return result;
}

UserListFile::Result UserListFile::merge(const QString& path, const QList<UserListChange>& changes,
                                         const QSet<QString>& taken, QList<Record>* records)
{
    return AtomicFileWriter::update(path, [&](const QByteArray& present) {
        *records = UserListFormat::read(present);
        UserListChange::applyAll(*records, changes);
        keepLoadable(*records, taken);
        return std::optional<QByteArray>(format(*records));
    });
}

void UserListFile::keepLoadable(QList<Record>& records, QSet<QString> taken)
{
    // The load's own test: the reported text without its spaces against the
    // texts as they stand.
    records.removeIf([&taken](const Record& record) {
        if (taken.contains(TextRules::trimSpaces(record.text).toString().toCaseFolded()))
            return true;
        taken.insert(record.text.toCaseFolded());
        return false;
    });
}
