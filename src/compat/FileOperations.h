#pragma once

#include <QString>
#include <QStringList>

// The desktop shell's silent file operations: every question is answered yes
// (an existing file of the target name is replaced, folders are merged), the
// destination folder is created when missing, and moves work across file
// systems. Nothing is reported to the user; a source that cannot be moved
// stays where it was, whole.
class FileOperations
{
public:
    // Moves each source into `destinationFolder`. A source whose name part
    // holds "*" or "?" stands for the matching entries of its folder ("*.*"
    // matches every name). Answers whether every source was moved.
    static bool moveInto(const QStringList& sources, const QString& destinationFolder);

    // Gives `from` the name `to` (which may lie in another folder or on
    // another file system). Answers whether it was renamed.
    static bool rename(const QString& from, const QString& to);

private:
    static bool moveEntry(const QString& from, const QString& to);
    static bool moveAcrossFileSystems(const QString& from, const QString& to);
    static bool copyFile(const QString& from, const QString& to);
    static bool copyLink(const QString& from, const QString& to);
    static bool moveContents(const QString& from, const QString& to);
    static QStringList expand(const QString& source);
};
