#include "UserListReader.h"

#include <QFile>
#include <QFileInfo>
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

} // namespace

void UserListReader::readFile(const QString& path, const EntrySink& sink)
{
    // A folder or a device is no list file; a named pipe would block the open.
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    parse(file.readAll(), sink);
}

void UserListReader::parse(QByteArrayView bytes, const EntrySink& sink)
{
    if (bytes.startsWith(Utf8ByteOrderMark))
        bytes = bytes.sliced(Utf8ByteOrderMark.size());

    // The delimiters are ASCII, which both encodings keep as single bytes, so
    // the lines are split on the bytes and only the fields are decoded. Each
    // line is UTF-8 when it is valid UTF-8 and Windows-1252 otherwise: a line
    // added in the Windows code page to a file of ours must not turn every
    // other line's letters into Windows-1252 look-alikes, which the next save
    // would keep for good.
    // A byte-order mark counts only at the very start of the file; inside a
    // line it is a character of a field and stays (QString::fromUtf8 would
    // drop one at the start of every field).
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                    QStringConverter::Flag::ConvertInitialBom);
    QStringDecoder windows1252("windows-1252", QStringConverter::Flag::Stateless);
    if (!windows1252.isValid()) // a Qt built without ICU: keep the Latin-1 letters at least
        windows1252 = QStringDecoder(QStringConverter::Latin1, QStringConverter::Flag::Stateless);

    const char* const end = bytes.data() + bytes.size();
    for (const char* start = bytes.data(); start != end;) {
        const char* const stop = std::find_if(start, end, isLineEnd);
        const QByteArrayView line = QByteArrayView(start, stop).trimmed();
        start = stop;
        if (start != end && *start++ == '\r' && start != end && *start == '\n')
            ++start;
        if (line.isEmpty())
            continue;
        const bool isUtf8 = line.isValidUtf8();
        const auto decode = [&](QByteArrayView field) {
            return QString(isUtf8 ? utf8.decode(field) : windows1252.decode(field));
        };
        const Fields fields = splitLine(line);
        if (!sink(decode(fields.text), decode(fields.description)))
            return;
    }
}
