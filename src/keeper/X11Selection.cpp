#include "keeper/X11Selection.h"

#if ZUNO_WITH_X11
#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

xcb_connection_t* displayConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

std::uint32_t X11Selection::owner(const char* selection)
{
    xcb_connection_t* connection = displayConnection();
    if (!connection)
        return XCB_NONE;
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(std::strlen(selection)), selection),
        nullptr);
    const xcb_atom_t name = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(atom);
    if (name == XCB_ATOM_NONE)
        return XCB_NONE;
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, name), nullptr);
    const xcb_window_t window = reply ? reply->owner : xcb_window_t(XCB_NONE);
    std::free(reply);
    return window;
}

bool X11Selection::ownedHere(const char* selection)
{
    const xcb_window_t window = owner(selection);
    if (window == XCB_NONE)
        return false;
    // The server hands each connection a range of its own for the ids of the
    // windows it creates.
    const xcb_setup_t* setup = xcb_get_setup(displayConnection());
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

#else
std::uint32_t X11Selection::owner(const char*)
{
    return 0;
}

bool X11Selection::ownedHere(const char*)
{
    return true;
}
#endif
