#include "keeper/ClipboardManagerProbe.h"

#include "keeper/X11Selection.h"

bool ClipboardManagerProbe::managerRuns()
{
    return X11Selection::owner("CLIPBOARD_MANAGER") != XCB_NONE;
}
