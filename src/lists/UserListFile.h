#pragma once

#include "base/AtomicFileWriter.h"
#include "lists/UserListFormat.h"

#include <QList>
#include <QSet>
#include <QString>

class UserListChange;

// A user list file ("Smileys.smy", "Acronyms.acr") on disk: one line per
// user entry, the text and the description each between double quotes, a
// comma between them and CR LF after every line, nothing escaped, UTF-8
// (UserListFormat). Written only as a regular file, atomically
// (AtomicFileWriter).
class UserListFile
{
public:
    using Record = UserListFormat::Entry;
    using Result = AtomicFileWriter::Result;

    // The bytes of the file for these records.
    static QByteArray format(const QList<Record>& records);
    // The same for the records from first to last (anything with a text and
    // a description), encoded straight into one buffer sized beforehand.
    template <typename Iterator> static QByteArray format(Iterator first, Iterator last);
    // The same for count lines, line i of the text and the description that
    // fields(i) gives (a pair of QStringView).
    template <typename Fields> static QByteArray format(qsizetype count, Fields fields);
    // Whether bytes are exactly what format(count, fields) gives, told line
    // by line without making those bytes.
    template <typename Fields>
    static bool formatsTo(QByteArrayView bytes, qsizetype count, Fields fields);

    // The file as the last read or merge of it found or left it: its bytes
    // and the records a load takes from them against taken. A read or merge
    // that finds exactly these bytes on disk takes the records as they are,
    // without reading every line again (most of what an Add to a long list
    // would cost); anything else on disk is read as usual.
    struct Known
    {
        QByteArray bytes;
        QList<Record> records;
        QSet<QString> taken;
    };

    // Replaces the file with these records. Creates a missing folder.
    static Result save(const QString& path, const QList<Record>& records);

    // The records of the file as it is now; none when there is no file yet.
    // A file the list reader would not take whole (too large, or a line too
    // long) answers TooLarge, here and in merge(), and is never written.
    static Result read(const QString& path, QList<Record>* records);

    // Applies changes to the file as it is on disk now, under its lock, and
    // gives the records it holds afterwards. The file then holds what the
    // next load takes: a record that the load would drop as a duplicate of a
    // built-in text (taken, letter case folded) or of an earlier record goes.
    // whenEmpty, when given, stands for a file that is missing or empty (the
    // part read of a file set aside). A result larger than the reader takes
    // is TooLarge (systemError EFBIG) and writes nothing.
    // known, when given, is used and kept up to date.
    static Result merge(const QString& path, const QList<UserListChange>& changes,
                        const QSet<QString>& taken, QList<Record>* records,
                        const QList<Record>* whenEmpty = nullptr, Known* known = nullptr);
    // The records a load takes from the file now (read, then keepLoadable),
    // through known as merge() does.
    static Result readLoadable(const QString& path, const QSet<QString>& taken,
                               QList<Record>* records, Known* known);

    // Drops the records a load would drop, as above.
    static void keepLoadable(QList<Record>& records, QSet<QString> taken);

private:
    using LineEncoder = UserListFormat::LineEncoder;
    static qsizetype lineRoom(QStringView text, QStringView description)
    {
        return UserListFormat::lineRoom(text, description);
    }
};

template <typename Iterator> QByteArray UserListFile::format(Iterator first, Iterator last)
{
    qsizetype room = 0;
    for (Iterator it = first; it != last; ++it)
        room += lineRoom(it->text, it->description);
    QByteArray bytes(room, Qt::Uninitialized);
    LineEncoder encoder;
    char* out = bytes.data();
    for (Iterator it = first; it != last; ++it)
        out = encoder.line(out, it->text, it->description);
    bytes.truncate(out - bytes.constData());
    return bytes;
}

template <typename Fields>
bool UserListFile::formatsTo(QByteArrayView bytes, qsizetype count, Fields fields)
{
    QByteArray line;
    LineEncoder encoder;
    qsizetype at = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const auto [text, description] = fields(i);
        if (const qsizetype room = lineRoom(text, description); line.size() < room)
            line.resize(room);
        const qsizetype length = encoder.line(line.data(), text, description) - line.constData();
        if (bytes.size() - at < length ||
            bytes.sliced(at, length) != QByteArrayView(line.constData(), length))
            return false;
        at += length;
    }
    return at == bytes.size();
}

template <typename Fields> QByteArray UserListFile::format(qsizetype count, Fields fields)
{
    qsizetype room = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const auto [text, description] = fields(i);
        room += lineRoom(text, description);
    }
    QByteArray bytes(room, Qt::Uninitialized);
    LineEncoder encoder;
    char* out = bytes.data();
    for (qsizetype i = 0; i < count; ++i) {
        const auto [text, description] = fields(i);
        out = encoder.line(out, text, description);
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}
