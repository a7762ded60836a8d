#pragma once

#include <QString>

// What the desktop platform tells about the machine and the signed-in user,
// answered the Linux way.
class SystemInfo
{
public:
    // The login name of the user the process runs as, or an empty string.
    static QString userName();

    // The host name without its domain part, or an empty string.
    static QString computerName();

    // The folder of the system's shared libraries: the folder that holds the C
    // library the process runs with (for example "/usr/lib/x86_64-linux-gnu"),
    // or an empty string when it cannot be found.
    static QString systemDirectory();

    // The root of the installed system, "/": the folder below which the
    // system's own folders live.
    static QString windowsDirectory();
};
