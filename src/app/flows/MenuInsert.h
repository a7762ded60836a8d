#pragma once

// ZunoSmiley --insert, the second half of a menu program's binding
// (MenuCommands): reads the line the menu answers, types its first field
// where the user was, as the pick types (KeystrokeTyper, else the clipboard
// and the pick's notice), and counts the use of an entry of either list, so
// that the next --list and pick rank it up.
class MenuInsert
{
public:
    // Runs the whole command and answers the exit status: 0 done; 1 nothing
    // could be typed or copied, or the use not recorded (said on standard
    // error); 2 no line, or a line too long.
    static int run(int& argc, char** argv);
};
