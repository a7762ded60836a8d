#pragma once

#include <QStringView>

// Two small rules on text that the program and every library share.
class TextRules
{
public:
    // The text without the spaces at its ends. Only spaces go: a tab or a
    // no-break space is part of the text.
    static QStringView trimSpaces(QStringView text);

    // Whether a name holds a NUL character. The system cuts a name there, so
    // such a name would stand for another file: it names none.
    static bool holdsNul(QStringView name);
};
