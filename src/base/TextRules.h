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

    // The case fold of an ASCII unit (below 0x80): A-Z to a-z, the rest as
    // it is. Every fold of the project takes ASCII, nearly all of its text,
    // through this before any table.
    static constexpr char16_t foldAscii(char16_t unit)
    {
        return unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
    }

    // Appends text with its letter case folded (QString::toCaseFolded) to out.
    static void appendFolded(QString& out, QStringView text);
    // The text without the spaces at its ends, case folded: how the lists
    // know an entry whatever its text's case and the spaces typed around it.
    static QString bareKey(QStringView text);
    // The same into key, kept from one call to the next: for a key made
    // for each of a long list's entries, no new string each.
    static void bareKeyInto(QString& key, QStringView text);

    // Whether a name holds a NUL character. The system cuts a name there, so
    // such a name would stand for another file: it names none.
    static bool holdsNul(QStringView name);
};
