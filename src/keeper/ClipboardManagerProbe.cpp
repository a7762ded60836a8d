#include "keeper/ClipboardManagerProbe.h"

#include "keeper/X11Selection.h"

bool ClipboardManagerProbe::managerRuns()
{
    // A build without X11 (ZUNO_X11) sees no manager.
    return X11Selection::owner("CLIPBOARD_MANAGER") != 0;
}
