#pragma once

#include <QHashFunctions>
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
    // faces by one pass over a number a row.
    static quint32 hashOf(QStringView shape)
    {
        return shape.isEmpty() ? 0 : quint32(qHash(shape)) | 1;
    }
};
