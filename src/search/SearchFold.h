#pragma once

#include <QString>
#include <QStringView>

// Text as the search compares it: Unicode's compatibility decomposition,
// then the marks dropped, then the letter case folded, with the ligatures
// and letters that hold two (œ, æ, ß) written out, so that "ecole" finds
// "École", "oeil" finds "œil" and "strasse" finds "Straße". ASCII, nearly
// every character of a list, is folded in one pass without a lookup.
class SearchFold
{
public:
    // Appends the folded form of text to out.
    static void append(QStringView text, QString& out);
    static QString of(QStringView text);

    // Whether c is part of a word (a letter or a digit), as the search
    // splits folded text into words.
    static bool isWordUnit(QChar c)
    {
        const char16_t u = c.unicode();
        if (u < 0x80)
            return char16_t((u | 0x20) - 'a') < 26 || char16_t(u - '0') < 10;
        return c.isLetterOrNumber();
    }
};
