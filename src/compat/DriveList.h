#pragma once

#include <QString>
#include <QStringList>

// The stand-in for the desktop's list of logical drives: on Linux the root
// paths of the mounted volumes. The list is handed out in the drive-string
// form: each root followed by a NUL, one more NUL at the end.
class DriveList
{
public:
    // Root paths of the mounted, ready volumes in mount order, without
    // duplicates. When the environment variable ZUNO_VOLUME_ROOTS_FILE names
    // a file, its lines are the roots instead: tests give the list they
    // expect, as the machine's own list differs between a full system, a
    // container and a chroot (where "/" is no volume root).
    static QStringList mountedRoots();

    // The drive strings of `roots`, whole however long the list is: a
    // desktop has dozens of mounts, far more than a buffer sized for drive
    // letters holds.
    static QString driveStrings(const QStringList& roots);
};
