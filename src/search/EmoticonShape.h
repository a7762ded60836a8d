#pragma once

#include <QString>
#include <QStringView>

// The shape of a smiley: its folded text with the nose left out, so that
// ":)" and ":-)", ";)" and ";-)", ":D" and ":-D" are one face. A nose is a
// '-', 'o', '^' or '\'' between the first and the last unit, unless both its
// neighbours are letters (the apostrophe of "i'm" is no nose).
class EmoticonShape
{
public:
    // The longest text taken for a smiley; anything longer is no face.
    static constexpr qsizetype MaxLength = 16;
    // More letters than these make a word, not a face.
    static constexpr int MaxLetters = 3;

    // The shape of folded (SearchFold), blanks around it aside, or a null
    // text when it is no smiley: a blank inside, no unit that is neither a
    // letter nor a digit, more than MaxLetters letters, or longer than
    // MaxLength.
    static QString of(QStringView folded);
    // A shape as a number, 0 for none, so that a typed smiley finds its
    // faces by one pass over a number a row. A start makes one for each of
    // a long list's rows: a multiply a unit (a shape is at most MaxLength
    // units), where this Qt's keyed qHash costs many times more; a match of
    // the number is checked against the shape itself.
    static quint32 hashOf(QStringView shape)
    {
        if (shape.isEmpty())
            return 0;
        quint32 hash = 2166136261u;
        for (const QChar unit : shape)
            hash = (hash ^ unit.unicode()) * 16777619u;
        return hash | 1;
    }
};
