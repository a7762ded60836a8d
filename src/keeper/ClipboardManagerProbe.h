#pragma once

// Whether the X11 desktop runs a clipboard manager: a client owns the
// CLIPBOARD_MANAGER selection. Qt's xcb platform then hands the clipboard
// over to it (SAVE_TARGETS) when a QGuiApplication that owns it ends.
namespace ClipboardManagerProbe {

// False where the platform is not X11, and in a build without X11.
bool managerRuns();

} // namespace ClipboardManagerProbe
