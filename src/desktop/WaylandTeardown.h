#pragma once

// Qt 6.4's Wayland client may hang for good while it closes its display
// connection (its event thread waits on a read nobody finishes). A program
// on Wayland that has done everything ends before that teardown instead:
// after its event loop, or in a post routine of its application object,
// which runs once every other object of main() is gone.
namespace WaylandTeardown {

// Whether the application object made runs on Wayland.
bool applies();
// Ends the process with status, its output flushed, without the teardown.
[[noreturn]] void endProcess(int status);

} // namespace WaylandTeardown
