#pragma once

struct CommandLine;

// Everything of the program that needs Qt Gui and Widgets (the window, the
// hand-over to a running one, --insert) is a module of its own, which the
// program ZunoSmiley loads once it has read its command line and knows it
// is no listing: --list then maps Qt Core alone. The module runs in the
// program's process, so the window stays the installed program's
// (/proc/self/exe), which the desktop trusts by its path; it is built with
// the program, against the same Qt, and exports one entry point.
namespace WindowModule {

// The module's file, beside the program in the build tree and in the private
// library folder of an installation.
inline constexpr char FileName[] = "libZunoSmileyWindow.so";

// Runs the program for line (neither --list nor an exit code of its own)
// and answers its exit status. argc outlives the application object, which
// keeps a reference to it.
using Main = int (*)(int& argc, char** argv, const CommandLine& line);

// The name the entry point is exported under.
inline constexpr char MainEntry[] = "zunoSmileyWindowMain";

} // namespace WindowModule
