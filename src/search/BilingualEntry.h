#pragma once

#include <QString>
#include <QStringList>

// One entry of the catalogue as the search offers it: its text and its description in
// both languages (a user entry has one description, given for both), which
// list it belongs to, whether it is the user's own, and the words it is
// searched by besides (SearchEntry::keywords).
struct BilingualEntry
{
    enum class List { Smileys, Acronyms };

    QString text;
    QString frenchDescription;
    QString englishDescription;
    List list = List::Smileys;
    bool userEntry = false;
    QStringList keywords;

    // Stable across reloads, so that an id answered before a list file
    // changed still names the same entry: the list and the text.
    QString id() const;
    // The id's parts back; false for an id this service never gave.
    static bool parseId(const QString& id, List* list, QString* text);

    // 1 French, anything else English, as the catalogue controls take it.
    const QString& description(int language) const
    {
        return language == 1 ? frenchDescription : englishDescription;
    }
};
