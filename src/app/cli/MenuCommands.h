#pragma once

#include <QByteArrayView>
#include <QString>

// The catalogue for a menu program (dmenu, wofi, fuzzel, rofi), without its
// window and whether or not it runs:
//   ZunoSmiley --list | wofi --dmenu | ZunoSmiley --insert
// --list prints every entry of both lists, one a line, in the pick's order
// (EntryListing), with Qt Core alone: the program runs it before it loads
// anything of the window's. --insert (app/flows/MenuInsert, in the window's
// module, since it types) takes the line the menu answers as choiceOf says.
class MenuCommands
{
public:
    // The longest line --insert takes, its line end aside.
    static constexpr qsizetype MaxLineLength = 64 * 1024;

    // What --insert makes of what it read: the first field of the first
    // line (up to the first tab, a CR before the line end aside), or why
    // there is none. ended: the input ended where it stops.
    struct Choice
    {
        QString text;
        QString error; // set when there is nothing to insert
    };
    static Choice choiceOf(QByteArrayView input, bool ended);

    // Runs the whole command and ends the process with its exit status: 0
    // done; 1 the list files or the stores could not be used (said on
    // standard error). A reader that closes its end (head -1) ends it
    // quietly with 0: it had what it wanted.
    [[noreturn]] static void list(int& argc, char** argv);

    // "ZunoSmiley: message" on standard error.
    static void tell(const QString& message);
    // The list folder the window would use, for the program started; the
    // application object exists.
    static QString listFolder();
};
