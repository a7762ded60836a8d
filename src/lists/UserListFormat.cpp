#include "lists/UserListFormat.h"

#include "catalogue/UserListReader.h"

#include <QBuffer>

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
    return '"' + text.toUtf8() + "\",\"" + description.toUtf8() + "\"\r\n";
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
