#include "app/dialogs/SingleLineValidator.h"

QValidator::State SingleLineValidator::validate(QString& input, int& pos) const
{
    if (input.contains(QLatin1Char('\r')) || input.contains(QLatin1Char('\n'))) {
        pos = static_cast<int>(joined(input.left(pos)).size());
        input = joined(input);
    }
    return Acceptable;
}

void SingleLineValidator::fixup(QString& input) const
{
    input = joined(input);
}

QString SingleLineValidator::joined(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            out += QLatin1Char(' ');
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1Char(' ');
        } else {
            out += c;
        }
    }
    return out;
}
