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

bool TextRules::holdsNul(QStringView name)
{
    return name.contains(QChar(0));
}
