#pragma once

// The busy pointer of long steps (start-up, opening the entry dialog), over
// the program's windows while one is shown.
class BusyPointer
{
public:
    static void show();
    // The normal pointer again, however many busy pointers were shown.
    static void restoreNormal();
};
