#pragma once

#include "catalogue/UserListReader.h"
#include "lists/UserListFormat.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class ZunoSmiley1;

// Brings the entries of list files, named on the command line, into the
// program's lists: a ".smy" file into the smiley list, an ".acr" file into
// the acronym list, told by the extension, letter case aside (both types hold
// the same format, so the content cannot tell them apart). Each file is read
// whole with the bounded reader before anything is added, so that a file that
// cannot be read, or holds more than the reader takes, changes nothing.
class ListFileImport
{
public:
    enum class List { Smileys, Acronyms };

    // Adds one entry to a list exactly as the Add command does, by the
    // list's duplicate rule, and saves it like any Add; answers false when
    // the list already has the text (built in, the user's, or added a moment
    // ago from this file or an earlier one).
    using AddEntry = std::function<bool(const QString& text, const QString& description)>;

    struct FileReport
    {
        enum class Outcome {
            Imported,   // read whole: its entries went to its list
            Unreadable, // of a list's type, but not read whole: read tells why
            OtherType,  // neither a smiley nor an acronym list
        };
        QString path;
        Outcome outcome = Outcome::OtherType;
        List list = List::Smileys; // Imported and Unreadable: the list of its type
        UserListReader::Result read;
        // Imported: how many entries went to the list, and how many of the
        // file's entries the list had already.
        qint32 added = 0;
        qint32 alreadyThere = 0;
    };

    // The list a file belongs to by its name; none for another type.
    static std::optional<List> listOf(const QString& path);

    // Told how far the reading is: bytes of all the files read so far, of
    // their total size. Answering false stops the import there: the files
    // not read whole yet add nothing, and are not in the reports.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    // Imports the files in the order given, each entry through its list's
    // addEntry in the file's order. Names are the system's (NativePath), so
    // that a name which is not valid UTF-8 is found. progress, when given,
    // hears at least once a file and every few thousand entries.
    static QList<FileReport> importFiles(const QStringList& paths, const AddEntry& addSmiley,
                                         const AddEntry& addAcronym, const Progress& progress = {});

    // The report for the user, one line per file in the localizer's
    // language, each file named as the system writes paths.
    static QString reportText(const QList<FileReport>& reports, const ZunoSmiley1& localizer);
};
