#include "search/EmoticonShape.h"

#include "search/SearchFold.h"

#include "base/TextRules.h"

namespace {

bool isNose(QChar c)
{
    const char16_t u = c.unicode();
    return u == '-' || u == 'o' || u == '^' || u == '\'';
}

} // namespace

QString EmoticonShape::of(QStringView folded)
{
    const QStringView text = TextRules::trimSpaces(folded);
    if (text.size() < 2 || text.size() > MaxLength)
        return {};
    int letters = 0;
    bool sign = false;
    for (const QChar c : text) {
        if (c.isSpace())
            return {};
        letters += c.isLetter() ? 1 : 0;
        sign = sign || !SearchFold::isWordUnit(c);
    }
    if (!sign || letters > MaxLetters)
        return {};
    QString shape;
    shape.reserve(text.size());
    const qsizetype last = text.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        const QChar c = text.at(i);
        const bool nose = i > 0 && i < last && isNose(c) &&
                          !(text.at(i - 1).isLetter() && text.at(i + 1).isLetter());
        if (!nose)
            shape.append(c);
    }
    return shape;
}
