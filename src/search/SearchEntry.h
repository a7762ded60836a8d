#pragma once

#include <QString>
#include <QStringList>

// One entry as the search sees it: its text, its description in the
// window's language and, for a built-in entry, its description in the other
// language (empty for the user's own entries), and the words it is known by
// besides (any language, from any source: the shipped table of the built-in
// entries, the user's own), each searched as a word of a description is.
struct SearchEntry
{
    QString text;
    QString description;
    QString otherDescription;
    QStringList keywords;

    // The entry as searched: the other language's description only for a
    // built-in entry, as the user's own have one description for both.
    static SearchEntry of(QString text, QString description, QString otherDescription,
                          bool builtIn);
};
