#include "lists/UserListFile.h"

#include "catalogue/UserListReader.h"
#include "lists/DuplicateRule.h"
#include "lists/UserListChange.h"

#include <QFileInfo>

#include <utility>

QByteArray UserListFile::format(const QList<Record>& records)
{
    return format(records.cbegin(), records.cend());
}

UserListFile::Result UserListFile::save(const QString& path, const QList<Record>& records)
{
    return AtomicFileWriter::write(path, format(records), UserListReader::MaxFileSize);
}

namespace {

// A file beyond the reader's limits is read only in part; written back from
// that part, it would lose the rest. Such a file is left as it is.
UserListFile::Result tooLarge(const QString& path)
{
    return {AtomicFileWriter::Failure::TooLarge, 0,
            QStringLiteral("%1 holds more than the list reader takes").arg(path)};
}

// Seen before the file is read, so that a huge file costs no memory.
bool beyondSizeLimit(const QString& path)
{
    return QFileInfo(path).size() > UserListReader::MaxFileSize;
}

} // namespace

UserListFile::Result UserListFile::read(const QString& path, QList<Record>* records)
{
    records->clear();
    if (beyondSizeLimit(path))
        return tooLarge(path);
    QByteArray bytes;
    Result result = AtomicFileWriter::read(path, &bytes);
    bool whole = true;
    if (result)
        *records = UserListFormat::read(bytes, &whole);
    if (!whole) {
        records->clear();
        result = tooLarge(path);
    }
    return result;
}

UserListFile::Result UserListFile::merge(const QString& path, const QList<UserListChange>& changes,
                                         const QSet<QString>& taken, QList<Record>* records,
                                         const QList<Record>* whenEmpty, Known* known)
{
    records->clear();
    if (beyondSizeLimit(path))
        return tooLarge(path);
    bool whole = true;
    QByteArray written;
    // The writer's limit is the reader's: nothing is written that the next
    // start would read only in part.
    const Result result = AtomicFileWriter::update(
        path,
        [&](const QByteArray& present) {
            whole = true;
            if (whenEmpty && present.isEmpty())
                *records = *whenEmpty;
            else if (known && !known->bytes.isEmpty() && present == known->bytes &&
                     taken == known->taken)
                *records = known->records;
            else
                *records = UserListFormat::read(present, &whole);
            if (!whole)
                return std::optional<QByteArray>();
            UserListChange::applyAll(*records, changes);
            keepLoadable(*records, taken);
            written = format(*records);
            return std::optional<QByteArray>(written);
        },
        AtomicFileWriter::DefaultLockWait, UserListReader::MaxFileSize);
    if (known)
        *known = result && whole ? Known{written, *records, taken} : Known();
    if (result && !whole) {
        records->clear();
        return tooLarge(path);
    }
    return result;
}

UserListFile::Result UserListFile::readLoadable(const QString& path, const QSet<QString>& taken,
                                                QList<Record>* records, Known* known)
{
    records->clear();
    if (beyondSizeLimit(path))
        return tooLarge(path);
    QByteArray bytes;
    Result result = AtomicFileWriter::read(path, &bytes);
    if (!result) {
        *known = Known();
        return result;
    }
    if (!known->bytes.isEmpty() && bytes == known->bytes && taken == known->taken) {
        *records = known->records;
        return result;
    }
    bool whole = true;
    *records = UserListFormat::read(bytes, &whole);
    if (!whole) {
        records->clear();
        *known = Known();
        return tooLarge(path);
    }
    keepLoadable(*records, taken);
    *known = {bytes, *records, taken};
    return result;
}

void UserListFile::keepLoadable(QList<Record>& records, QSet<QString> taken)
{
    DuplicateRule::LoadedTexts loaded(std::move(taken));
    loaded.reserve(records.size());
    records.removeIf([&loaded](const Record& record) { return !loaded.take(record.text); });
}
