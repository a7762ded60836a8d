#pragma once

#include <QString>
#include <QStringList>

// Keeps a damaged file the program cannot use: it is renamed beside itself,
// "<name>.damaged-<date>" ("-2", "-3" when that name is taken), never over
// another file, so that nothing of it is lost and a sound file can take its
// place. Folders, pipes and devices are renamed the same way, unopened.
class DamagedFile
{
public:
    // Renames path, and first each file named path + one of the companion
    // suffixes (a journal that belongs to it) to the new name + that suffix.
    // Answers the new name; an empty one with the reason in *why.
    static QString setAside(const QString& path, const QStringList& companionSuffixes = {},
                            QString* why = nullptr);

    // Renames from to to unless something is at to already (errno EEXIST).
    static bool renameWithoutReplacing(const QString& from, const QString& to);
};
