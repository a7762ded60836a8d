#pragma once

#include <QString>
#include <QStringList>

#include <functional>

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

    // Renames from to to unless something is at to already (errno EEXIST):
    // the rename itself never replaces (a no-replace rename, or a hard link
    // and an unlink where the file system has no such rename), so a file
    // that appears at to after any check is kept.
    static bool renameWithoutReplacing(const QString& from, const QString& to);

    // Whether path is a link that leads back to itself (or through more links
    // than the system follows): no file can ever be there, and the name is
    // as unusable as a damaged file.
    static bool isLinkLoop(const QString& path);

    // For tests: called with the new name just before each rename, so that
    // a test can put something there. Empty to remove.
    static void setBeforeRename(std::function<void(const QString& to)> hook);
};
