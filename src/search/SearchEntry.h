#pragma once

#include <QString>

// One entry as the search sees it: its text, its description in the
// window's language and, for a built-in entry, its description in the other
// language (empty for the user's own entries).
struct SearchEntry
{
    QString text;
    QString description;
    QString otherDescription;

    // The entry as searched: the other language's description only for a
    // built-in entry, as the user's own have one description for both.
    static SearchEntry of(QString text, QString description, QString otherDescription,
                          bool builtIn);
};
