#pragma once

#include <QString>

class QFile;

// Opens files for reading only when they are regular files, and never blocks:
// a named pipe in a file's place would block the open or the first read, a
// device may never end or may act when opened, a socket cannot be opened.
class RegularFile
{
public:
    enum class Kind {
        Missing,    // nothing there, or a parent that is no folder
        Regular,    // a regular file (links followed)
        Folder,     // a folder
        Special,    // a named pipe, a device or a socket
        Unreadable, // there, but it cannot be examined or opened
    };

    // What is at path, links followed, without opening it.
    static Kind kind(const QString& path);

    // Opens path read-only into file when it is a regular file. Anything else
    // is never opened, and the open itself cannot block (a regular file swapped
    // for a pipe after the test is refused on the open descriptor). The file
    // is open exactly when the answer is Regular.
    static Kind openForReading(QFile& file, const QString& path);
};
