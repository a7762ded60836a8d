#pragma once

#include <QString>

// The desktop's file manager, reached through the freedesktop
// org.freedesktop.FileManager1 D-Bus interface on the session bus.
class FileManagerClient
{
public:
    // Asks the file manager to show the file's properties. Nothing happens,
    // and nothing waits, when there is no session bus or no file manager.
    static void showItemProperties(const QString& fileName);
};
