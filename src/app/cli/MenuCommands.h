#pragma once

#include <QByteArrayView>
#include <QString>

// The catalogue for a menu program (dmenu, wofi, fuzzel, rofi), without its
// window and whether or not it runs:
//   ZunoSmiley --list | wofi --dmenu | ZunoSmiley --insert
// --list prints every entry of both lists, one a line, in the pick's order
// (EntryListing). --insert reads the line the menu answers, types its first
// field where the user was, as the pick types (KeystrokeTyper, else the
// clipboard and the pick's notice), and counts the use of an entry of
// either list, so that the next --list and pick rank it up.
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

    // Each runs a whole command and answers the exit status: 0 done; 1 the
    // list files or the stores could not be used, or nothing could be typed
    // or copied (said on standard error); 2 (--insert) no line, or a line
    // too long. A reader of --list that closes its end (head -1) ends it
    // quietly with 0: it had what it wanted. --list ends the process
    // itself with its status once done.
    static int list(int& argc, char** argv);
    static int insert(int& argc, char** argv);
};
