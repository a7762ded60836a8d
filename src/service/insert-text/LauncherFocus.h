#pragma once

#include <chrono>

// Where KWin's keyboard focus is, as its window list says
// (org_kde_plasma_window_management, which KWin shows only to the programs
// whose desktop entry asks for it): on Wayland a client sees no other
// client's windows, and keys typed through fake input go to whichever window
// is active when KWin reads them.
class LauncherFocus
{
public:
    enum class Outcome {
        Elsewhere, // a window other than the launcher's is active
        Launcher,  // the launcher's window kept the focus, or none had it, until the end
        Unknown    // no window list for this program (not KWin, or not granted)
    };

    // Waits, at most that long, until the active window is not the
    // launcher's (KRunner's or the shell's), which hides as it runs a match.
    static Outcome awaitOtherWindow(std::chrono::milliseconds wait);
};
