#include "base/TextRules.h"

QStringView TextRules::trimSpaces(QStringView text)
{
    const QChar space = QLatin1Char(' ');
    while (!text.isEmpty() && text.front() == space)
        text = text.mid(1);
    while (!text.isEmpty() && text.back() == space)
        text.chop(1);
    return text;
}

void TextRules::appendFolded(QString& out, QStringView text)
{
    // Nearly every text is ASCII, whose case fold is A-Z to a-z: one pass
    // into out instead of a copy and Unicode's fold.
    const qsizetype start = out.size();
    out.resize(start + text.size());
    QChar* to = out.data() + start;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= 0x80) {
            out.truncate(start);
            out += text.toString().toCaseFolded();
            return;
        }
        *to++ = QChar(foldAscii(unit));
    }
}

QString TextRules::bareKey(QStringView text)
{
    QString key;
    bareKeyInto(key, text);
    return key;
}

void TextRules::bareKeyInto(QString& key, QStringView text)
{
    key.resize(0);
    appendFolded(key, trimSpaces(text));
}

bool TextRules::holdsNul(QStringView name)
{
    return name.contains(QChar(0));
}
