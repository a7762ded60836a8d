#include "catalogue/UserListReader.h"

#include "base/RegularFile.h"

#include <QFile>
#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr QByteArrayView Utf8ByteOrderMark("\xEF\xBB\xBF");
// What the writer puts between the text and the description.
constexpr QByteArrayView Separator("\",\"");

struct Fields
{
    QByteArrayView text;
    QByteArrayView description;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// A field outside the writer's form: its blanks and one pair of enclosing
// quotes removed.
QByteArrayView unquoted(QByteArrayView field)
{
    field = field.trimmed();
    if (field.startsWith('"')) {
        field = field.sliced(1);
        if (field.endsWith('"'))
            field.chop(1);
    }
    return field;
}

// Splits one line that holds more than blanks and has no blanks around it.
Fields splitLine(QByteArrayView line)
{
    if (!line.startsWith('"')) {
        const qsizetype comma = line.indexOf(',');
        if (comma < 0)
            return {line, {}};
        return {line.first(comma).trimmed(), unquoted(line.sliced(comma + 1))};
    }

    const QByteArrayView body = line.sliced(1);
    const qsizetype separator = body.indexOf(Separator);
    if (separator >= 0) {
        QByteArrayView description = body.sliced(separator + Separator.size());
        if (description.endsWith('"'))
            description.chop(1);
        return {body.first(separator), description};
    }

    // Not the writer's form (blanks around the comma, an unquoted description):
    // the text ends at the first quote that a comma follows.
    for (qsizetype quote = body.indexOf('"'); quote >= 0; quote = body.indexOf('"', quote + 1)) {
        qsizetype next = quote + 1;
        while (next < body.size() && isBlank(body[next]))
            ++next;
        if (next < body.size() && body[next] == ',')
            return {body.first(quote), unquoted(body.sliced(next + 1))};
    }
    QByteArrayView text = body;
    if (text.endsWith('"'))
        text.chop(1);
    return {text, {}};
}

// Splits one line and hands its fields to the sink. Each line is UTF-8 when
// it is valid UTF-8 and Windows-1252 otherwise (FieldDecoder): a line added
// in the Windows code page to a file of ours must not turn every other
// line's letters into Windows-1252 look-alikes, which the next save would
// keep for good.
class LineSplitter
{
public:
    LineSplitter(const UserListReader::LineSink& sink, qint64& damagedLines)
        : m_sink(sink)
        , m_damagedLines(damagedLines)
    {}

    // False when the sink asks to stop. The file's first line may begin with
    // the byte-order mark; anywhere else U+FEFF is a character of a field and
    // stays (QString::fromUtf8 would drop one at the start of every field).
    bool line(QByteArrayView line, bool first)
    {
        if (first && line.startsWith(Utf8ByteOrderMark))
            line = line.sliced(Utf8ByteOrderMark.size());
        line = line.trimmed();
        if (line.isEmpty())
            return true;
        // No text of either code page holds a NUL byte: such a line is
        // damaged, and written back it would not be the same.
        if (line.contains('\0'))
            ++m_damagedLines;
        const Fields fields = splitLine(line);
        return m_sink({fields.text, fields.description, line.isValidUtf8(), &m_decoder});
    }

private:
    const UserListReader::LineSink& m_sink;
    qint64& m_damagedLines;
    const UserListReader::FieldDecoder m_decoder;
};

// The size of one read: large enough to be quick, small beside the limits.
constexpr qint64 PieceSize = 64 * 1024;

} // namespace

UserListReader::FieldDecoder::FieldDecoder()
    : m_utf8(QStringConverter::Utf8,
             QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom)
{}

QString UserListReader::FieldDecoder::decode(QByteArrayView field, bool utf8) const
{
    if (utf8)
        return m_utf8.decode(field);
    // Made for the first line that is not UTF-8: the code page is ICU's,
    // whose data a process that reads UTF-8 alone then never loads.
    if (!m_windows1252.isValid()) {
        m_windows1252 = QStringDecoder("windows-1252", QStringConverter::Flag::Stateless);
        if (!m_windows1252.isValid()) // a Qt built without ICU: keep the Latin-1 letters at least
            m_windows1252 =
                QStringDecoder(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
    }
    return m_windows1252.decode(field);
}

void UserListReader::FieldDecoder::decodeInto(QString& text, QByteArrayView field, bool utf8) const
{
    // ASCII is itself in both code pages.
    text.resize(field.size());
    QChar* to = text.data();
    for (const char c : field) {
        if (uchar(c) >= 0x80) {
            text = decode(field, utf8);
            return;
        }
        *to++ = QLatin1Char(c);
    }
}

UserListReader::Result UserListReader::readFile(const QString& path, const EntrySink& sink)
{
    QFile file;
    return readFile(path, file, sink);
}

UserListReader::Result UserListReader::readFileLines(const QString& path, const LineSink& sink)
{
    QFile file;
    return readFileLines(path, file, sink);
}

namespace {

UserListReader::LineSink decoding(const UserListReader::EntrySink& sink)
{
    return [&sink](const UserListReader::Line& line) {
        return sink(line.decode(line.text), line.decode(line.description));
    };
}

} // namespace

UserListReader::Result UserListReader::readFile(const QString& path, QFile& file,
                                                const EntrySink& sink)
{
    return readFileLines(path, file, decoding(sink));
}

UserListReader::Result UserListReader::readFileLines(const QString& path, QFile& file,
                                                     const LineSink& sink)
{
    Result result;
    switch (RegularFile::openForReading(file, path)) {
    case RegularFile::Kind::Regular:
        break;
    case RegularFile::Kind::Missing:
        return result;
    case RegularFile::Kind::Folder:
    case RegularFile::Kind::Special:
        result.outcome = Result::Outcome::NotAFile;
        return result;
    case RegularFile::Kind::Unreadable:
        result.outcome = Result::Outcome::Unreadable;
        return result;
    }
    result = readLines(file, sink, Limits());
    result.fileSize = file.size();
    return result;
}

UserListReader::Result UserListReader::read(QIODevice& device, const EntrySink& sink)
{
    return read(device, sink, Limits());
}

UserListReader::Result UserListReader::read(QIODevice& device, const EntrySink& sink,
                                            const Limits& limits)
{
    return readLines(device, decoding(sink), limits);
}

UserListReader::Result UserListReader::readLines(QIODevice& device, const LineSink& sink,
                                                 const Limits& limits)
{
    Result result;
    result.outcome = Result::Outcome::Read;
    LineSplitter decoder(sink, result.damagedLines);

    // The line being read when a piece ends inside it; a line found whole in
    // a piece is decoded straight from the piece.
    QByteArray pending;
    bool tooLong = false;
    bool afterCarriageReturn = false; // a LF that follows is part of that line end
    bool firstLine = true;
    QByteArray piece(PieceSize, Qt::Uninitialized);
    qint64 total = 0;

    while (total < limits.fileSize) {
        const qint64 got = device.read(piece.data(), qMin(PieceSize, limits.fileSize - total));
        if (got < 0)
            result.outcome = Result::Outcome::Unreadable;
        if (got <= 0)
            break;
        total += got;
        const char* next = piece.constData();
        const char* const end = next + got;
        if (afterCarriageReturn && *next == '\n')
            ++next;
        afterCarriageReturn = false;
        while (next != end) {
            const char* const stop = std::find_if(next, end, isLineEnd);
            const QByteArrayView part(next, stop);
            if (!tooLong && pending.size() + part.size() > limits.lineLength) {
                tooLong = true;
                pending.clear();
            }
            if (stop == end) {
                if (!tooLong)
                    pending.append(part);
                break;
            }
            if (tooLong) {
                ++result.longLinesSkipped;
                tooLong = false;
            } else if (pending.isEmpty()) {
                if (!decoder.line(part, firstLine))
                    return result;
            } else {
                pending.append(part);
                if (!decoder.line(pending, firstLine))
                    return result;
                pending.resize(0);
            }
            firstLine = false;
            next = stop + 1;
            if (*stop == '\r') {
                if (next == end)
                    afterCarriageReturn = true;
                else if (*next == '\n')
                    ++next;
            }
        }
    }

    // More bytes beyond the limit: the line that the limit cuts is not whole.
    char beyond = 0;
    if (total >= limits.fileSize && device.read(&beyond, 1) == 1) {
        result.sizeLimitReached = true;
        return result;
    }
    if (tooLong)
        ++result.longLinesSkipped;
    else if (!pending.isEmpty())
        decoder.line(pending, firstLine);
    return result;
}
