#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A desktop entry that lets the desktop open documents with a program: its
// name, its command (Exec) and the MIME types it opens. The command is kept
// as the words of Exec: the program file first, then the arguments as they
// stand in Exec (field codes such as %f as they are, literal text through
// quoted()).
class DesktopEntry
{
public:
    QString name;
    QString program;
    QStringList arguments;
    QStringList mimeTypes;
    QString icon;
    bool noDisplay = false;

    // The entry of a registered command line, whose words follow the quoting
    // the shell library writes; the first word "%1" (the file placeholder)
    // becomes %f. A line that begins with the executable, as the library
    // writes it, runs exactly that file, whatever characters its path holds
    // (a quote there would end the word early).
    static DesktopEntry fromCommandLine(const QString& commandLine,
                                        const QString& executable = QString());
    // A literal word as Exec carries it: "%" doubled, and quoted when it holds
    // a character that Exec reserves.
    static QString quoted(const QString& word);
    // A desktop-file id that the library may use: letters, digits, ".", "_"
    // and "-", beginning with a letter.
    static bool isValidId(const QString& id);

    // The entry, marked as the shell library's.
    QByteArray content() const;
    // Whether a data folder already has an entry of this id that opens the
    // same types with the same program file and arguments (a program named
    // without a folder is looked up in PATH) and that is not hidden.
    bool isProvidedIn(const QString& dataFolder, const QString& id) const;

private:
    QString exec() const;
};
