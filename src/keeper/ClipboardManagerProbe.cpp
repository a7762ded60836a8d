#include "keeper/ClipboardManagerProbe.h"

#if ZUNO_WITH_X11
#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

bool ClipboardManagerProbe::managerRuns()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    static const char name[] = "CLIPBOARD_MANAGER";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    std::free(owner);
    return owned;
}
#else
// A build without X11 (ZUNO_X11) sees no manager.
bool ClipboardManagerProbe::managerRuns()
{
    return false;
}
#endif
