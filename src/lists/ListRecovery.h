#pragma once

#include "base/AtomicFileWriter.h"
#include "lists/UserListFormat.h"

#include <QList>
#include <QString>
#include <QStringList>

// Where the entries go that a list file could not take when the program
// ended (a read-only or full folder, a lock's name taken), so that nothing
// typed is lost with the window: one file per list, named as the list file
// ("Smileys.smy", "Acronyms.acr") and written in its format, in a private
// folder of the user's state ($XDG_STATE_HOME/ZunoSmileys/recovery, or
// ~/.local/state when that is unset or relative). The next start offers
// them back through an import, whose duplicate rule skips what the list
// holds already.
class ListRecovery
{
public:
    using Entries = QList<UserListFormat::Entry>;

    static QString folder();
    // The recovery file of a list file, by its name.
    static QString filePath(const QString& listFile);

    // Adds the entries to the list's recovery file, keeping what it holds
    // (an earlier session's, not taken back yet) by the duplicate rule.
    // Folders made here are the user's alone (0700), the file too (0600).
    // Nothing to keep writes nothing.
    static AtomicFileWriter::Result keep(const QString& listFile, const Entries& entries);

    // The recovery files of these list files that hold entries, in their order.
    static QStringList waiting(const QStringList& listFiles);
    // The entries of a recovery file (none when it cannot be read).
    static Entries entries(const QString& recoveryFile);
    // The recovery file goes, once its list holds its entries.
    static bool discard(const QString& recoveryFile);
};
