#pragma once

#include <QString>

// What the program copied stays on the clipboard after it ends. On X11 a
// clipboard's text lives in the program that put it there; so does a
// Wayland selection. At the program's close, while this process still owns
// the clipboard, the text goes to a keeper (zuno-clipboard-keeper): a process
// in a session of its own, without a window, that serves it until another
// program takes the clipboard or the desktop session ends, or that leaves
// it to the desktop's clipboard manager where one runs (Qt hands the
// clipboard over to it when the QGuiApplication ends).
namespace ClipboardHandover {

// The keeper beside the programs of a build tree, or in the libexec folder
// of the installation whose programs are in programFolder.
QString keeperProgram(const QString& programFolder);

// Called once the main window has closed and everything is saved, while the
// QGuiApplication still exists: when this process owns the clipboard and it
// holds text (what Copy, or a copy in a text field, put there), starts the
// keeper with that text and waits until the keeper reports the text safe.
// True when the text stays available after this process ends; false when
// there was nothing of ours to keep, the platform is neither X11 nor
// Wayland, or the keeper could not take it (the text then ends with the
// program, as without a keeper).
bool handOver();

// The same with the keeper program named, for tests and for callers that
// know where it is.
bool handOver(const QString& keeperProgram);

} // namespace ClipboardHandover
