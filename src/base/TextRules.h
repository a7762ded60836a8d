#pragma once

#include <QString>
#include <QStringView>

// Small rules on text that the program and every library share.
class TextRules
{
public:
    // The text without the spaces at its ends. Only spaces go: a tab or a
    // no-break space is part of the text.
    static QStringView trimSpaces(QStringView text);

    // Appends text with its letter case folded (QString::toCaseFolded) to out.
    static void appendFolded(QString& out, QStringView text);
    // The text without the spaces at its ends, case folded: how the lists
    // know an entry whatever its text's case and the spaces typed around it.
    static QString bareKey(QStringView text);

    // Whether a name holds a NUL character. The system cuts a name there, so
    // such a name would stand for another file: it names none.
    static bool holdsNul(QStringView name);
};
