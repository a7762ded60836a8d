#include "lists/UserListFormat.h"

#include "catalogue/UserListReader.h"

#include <QBuffer>

#include <algorithm>

namespace {

bool holdsLoneSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

bool holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

} // namespace

UserListFormat::Refusal UserListFormat::check(const QString& text, const QString& description)
{
    // The reader splits at the first `","` of the line: only the one after
    // the text may be there. A text ending with `",` makes one with the
    // quote and comma that follow it; any other end cannot.
    if (text.contains(QLatin1String("\",\"")))
        return Refusal::SeparatorInText;
    if (text.endsWith(QLatin1String("\",")))
        return Refusal::TextEndsLikeSeparator;
    if (holdsLoneSurrogate(text) || holdsLoneSurrogate(description))
        return Refusal::LoneSurrogate;
    if (holdsLineBreak(text) || holdsLineBreak(description))
        return Refusal::LineBreak;
    // The line holds both fields in UTF-8, four quotes and a comma; no more
    // than three bytes a character, so a short entry needs no count.
    constexpr qsizetype Framing = 5;
    const qsizetype characters = text.size() + description.size();
    if (characters * 3 + Framing > UserListReader::MaxLineLength &&
        text.toUtf8().size() + description.toUtf8().size() + Framing >
            UserListReader::MaxLineLength)
        return Refusal::TooLong;
    return Refusal::None;
}

QByteArray UserListFormat::line(const QString& text, const QString& description)
{
    QByteArray bytes(lineRoom(text, description), Qt::Uninitialized);
    LineEncoder encoder;
    bytes.truncate(encoder.line(bytes.data(), text, description) - bytes.constData());
    return bytes;
}

char* UserListFormat::LineEncoder::line(char* out, QStringView text, QStringView description)
{
    *out++ = '"';
    out = field(out, text);
    out = std::copy_n("\",\"", 3, out);
    out = field(out, description);
    return std::copy_n("\"\r\n", 3, out);
}

char* UserListFormat::LineEncoder::field(char* out, QStringView text)
{
    char* end = m_utf8.appendToBuffer(out, text);
    if (!m_utf8.hasError())
        return end;
    // A broken character: written as QString::toUtf8 writes it.
    m_utf8.resetState();
    const QByteArray plain = text.toUtf8();
    return std::copy(plain.cbegin(), plain.cend(), out);
}

QList<UserListFormat::Entry> UserListFormat::read(QByteArrayView bytes, bool* whole)
{
    QByteArray data = bytes.toByteArray();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QList<Entry> entries;
    const UserListReader::Result found =
        UserListReader::read(buffer, [&entries](const QString& text, const QString& description) {
            entries.append({text, description});
            return true;
        });
    if (whole)
        *whole = !found.lossy();
    return entries;
}
