#pragma once

#include <QString>
#include <QStringView>

// The two catalogue lists an entry can belong to.
enum class ListKind { Smiley, Acronym };

// How the favourites and the usage stores name an entry: by its list and its
// text under the lists' duplicate rule, spaces around the text and letter
// case aside, so that a mark follows the entry however its text was typed.
class EntryKey
{
public:
    // The text without surrounding spaces, case folded: the lists' own
    // duplicate rule (TextRules::bareKey).
    static QString of(QStringView text);

    // The list's name in the stores' files.
    static QString listName(ListKind list);
};
