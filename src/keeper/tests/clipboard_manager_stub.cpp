// The least of a desktop's clipboard manager, as the freedesktop clipboard
// manager convention has it: it owns CLIPBOARD_MANAGER and, when a program
// that is ending asks it to SAVE_TARGETS, fetches the clipboard's text from
// that program, owns the clipboard itself and serves the text until another
// program takes it. Prints "ready" once it owns CLIPBOARD_MANAGER.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <xcb/xcb.h>

namespace {

xcb_connection_t* connection = nullptr;

xcb_atom_t atom(const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

void notify(const xcb_selection_request_event_t& request, xcb_atom_t property)
{
    xcb_selection_notify_event_t event{};
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request.time;
    event.requestor = request.requestor;
    event.selection = request.selection;
    event.target = request.target;
    event.property = property;
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

} // namespace

int main()
{
    connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK, &events);
    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER"), clipboard = atom("CLIPBOARD"),
                     saveTargets = atom("SAVE_TARGETS"), targets = atom("TARGETS"),
                     utf8 = atom("UTF8_STRING"), saved = atom("ZUNO_SAVED");
    xcb_set_selection_owner(connection, window, manager, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, manager), nullptr);
    const bool managing = owner && owner->owner == window;
    std::free(owner);
    if (!managing)
        return 1;
    std::puts("ready");
    std::fflush(stdout);

    std::string text;
    bool owning = false;
    xcb_selection_request_event_t pendingSave{};
    bool saving = false;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        switch (event->response_type & 0x7f) {
        case XCB_SELECTION_REQUEST: {
            const auto& request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
            if (request.selection == manager && request.target == saveTargets && !saving) {
                // Fetch the text while the ending program still serves it.
                pendingSave = request;
                saving = true;
                xcb_convert_selection(connection, window, clipboard, utf8, saved, request.time);
                xcb_flush(connection);
            } else if (request.selection == clipboard && owning && request.target == targets) {
                const xcb_atom_t offered[] = {targets, utf8};
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                    request.property, XCB_ATOM_ATOM, 32, 2, offered);
                notify(request, request.property);
            } else if (request.selection == clipboard && owning && request.target == utf8) {
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                    request.property, utf8, 8, uint32_t(text.size()), text.data());
                notify(request, request.property);
            } else {
                notify(request, XCB_ATOM_NONE);
            }
            break;
        }
        case XCB_SELECTION_NOTIFY: {
            const auto& answer = *reinterpret_cast<xcb_selection_notify_event_t*>(event);
            if (saving && answer.property == saved) {
                xcb_get_property_reply_t* value = xcb_get_property_reply(
                    connection,
                    xcb_get_property(connection, 1, window, saved, XCB_ATOM_ANY, 0, 1 << 20),
                    nullptr);
                if (value) {
                    text.assign(static_cast<const char*>(xcb_get_property_value(value)),
                                size_t(xcb_get_property_value_length(value)));
                    std::free(value);
                    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
                    owning = true;
                }
            }
            if (saving) {
                notify(pendingSave, owning ? pendingSave.property : xcb_atom_t(XCB_ATOM_NONE));
                saving = false;
            }
            break;
        }
        case XCB_SELECTION_CLEAR:
            if (reinterpret_cast<xcb_selection_clear_event_t*>(event)->selection == clipboard)
                owning = false;
            break;
        default:
            break;
        }
        std::free(event);
    }
    return 0;
}
