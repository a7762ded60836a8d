#pragma once

#include <QString>

// The desktop's list of recently used files: the freedesktop bookmark file
// "recently-used.xbel" in the user's data folder, shared with every other
// desktop program. Entries of other programs are kept as they are.
class RecentDocuments
{
public:
    // "recently-used.xbel" in XDG_DATA_HOME (or ~/.local/share).
    static QString defaultLocation();

    // Adds the file with its MIME type and the application, or refreshes its
    // entry (modified and visited times, the application's count). The list is
    // replaced atomically. Answers false, and leaves the list as it was, when
    // the list cannot be read or written, is not a regular file (a pipe in
    // its place is never opened, so nothing blocks) or is not a bookmark file.
    static bool add(const QString& filePath, const QString& applicationName,
                    const QString& applicationExec, const QString& listFile = defaultLocation());
};
