#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program's command line: --help, --version, --pick, --list, --insert
// and any number of list files. Read before the window exists, so that --help and --version
// answer without a display; the options of Qt's own (-platform, -style...)
// are let through for the application object, which takes them itself.
struct CommandLine
{
    // The list files named, absolute: resolved against the folder the
    // command was given in, since they may be handed to another process.
    QStringList files;
    // Bring the catalogue up to insert an entry into the window the user
    // was typing in.
    bool pick = false;
    // Open the window with its filter filled with these words (the desktop's
    // search handing a search on); empty when not asked.
    QString search;
    // For a menu program (dmenu and its kind), without the window: print
    // every entry, one a line; or insert the entry of the line read.
    bool list = false;
    bool insert = false;
    // Set when the program is to end at once with this code: 0 after
    // --help or --version, 2 after a wrong command line. output says why,
    // for standard output (code 0) or standard error (otherwise).
    std::optional<int> exitCode;
    QString output;

    // arguments as the program got them, its own name first.
    static CommandLine parse(const QStringList& arguments, const QString& workingFolder);

    // Writes output to standard output or standard error, by exitCode.
    void printOutput() const;
};
