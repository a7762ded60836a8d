#include "X11Observer.h"

#include <QSet>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/uio.h>

namespace {

xcb_extension_t damageExtension = {"DAMAGE", 0};
xcb_extension_t testExtension = {"XTEST", 0};

// Request numbers and the one report level used.
constexpr quint8 DamageQueryVersion = 0;
constexpr quint8 DamageCreate = 1;
constexpr quint8 DamageReportRawRectangles = 0;
constexpr quint8 TestGetVersion = 0;
constexpr quint8 TestFakeInput = 2;

constexpr quint32 KeysymControl = 0xffe3;

// Sends one request of an extension; answers its sequence number.
unsigned int sendRequest(xcb_connection_t* c, xcb_extension_t* extension, quint8 opcode, void* body,
                         size_t size, bool hasReply)
{
    static const char padding[4] = {};
    iovec parts[4];
    parts[2].iov_base = body;
    parts[2].iov_len = size;
    parts[3].iov_base = const_cast<char*>(padding);
    parts[3].iov_len = -size & 3;
    const xcb_protocol_request_t request = {2, extension, opcode, quint8(hasReply ? 0 : 1)};
    return xcb_send_request(c, hasReply ? XCB_REQUEST_CHECKED : 0, parts + 2, &request);
}

bool versionAnswered(xcb_connection_t* c, xcb_extension_t* extension, quint8 opcode)
{
    struct
    {
        quint8 major, minor;
        quint16 length;
        quint32 clientMajor, clientMinor;
    } damage = {0, 0, 0, 1, 1};
    struct
    {
        quint8 major, minor;
        quint16 length;
        quint8 clientMajor, pad;
        quint16 clientMinor;
    } test = {0, 0, 0, 2, 0, 2};
    const unsigned int sequence =
        extension == &damageExtension
            ? sendRequest(c, extension, opcode, &damage, sizeof damage, true)
            : sendRequest(c, extension, opcode, &test, sizeof test, true);
    xcb_generic_error_t* error = nullptr;
    void* reply = xcb_wait_for_reply(c, sequence, &error);
    const bool ok = reply && !error;
    std::free(reply);
    std::free(error);
    return ok;
}

} // namespace

struct X11Observer::Mapped
{
    QSet<quint32> windows;
};

X11Observer::X11Observer()
    : m_mapped(new Mapped)
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        m_why = "no X display (DISPLAY)";
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;

    const xcb_query_extension_reply_t* damage =
        xcb_get_extension_data(m_connection, &damageExtension);
    const xcb_query_extension_reply_t* test = xcb_get_extension_data(m_connection, &testExtension);
    if (!damage || !damage->present || !test || !test->present ||
        !versionAnswered(m_connection, &damageExtension, DamageQueryVersion) ||
        !versionAnswered(m_connection, &testExtension, TestGetVersion)) {
        m_why = "the X server lacks the DAMAGE or XTEST extension";
        return;
    }
    m_damageEvent = damage->first_event;
    const quint32 mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    flush();
    m_valid = true;
}

X11Observer::~X11Observer()
{
    xcb_disconnect(m_connection);
    delete m_mapped;
}

qint64 X11Observer::now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void X11Observer::reset()
{
    m_mapped->windows.clear();
    m_window = 0;
    m_firstPaint = m_lastPaint = m_gone = 0;
}

void X11Observer::flush()
{
    xcb_flush(m_connection);
}

bool X11Observer::waitUntil(const std::function<bool()>& done, qint64 deadline,
                            const std::function<bool()>& alive)
{
    pollfd input = {xcb_get_file_descriptor(m_connection), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            handle(event);
            std::free(event);
        }
        if (done())
            return true;
        const qint64 left = deadline - now();
        if (left <= 0 || (alive && !alive()) || xcb_connection_has_error(m_connection))
            return false;
        ::poll(&input, 1, int(std::min<qint64>(left / 1000000 + 1, 5)));
    }
}

void X11Observer::handle(void* raw)
{
    const auto* event = static_cast<xcb_generic_event_t*>(raw);
    const quint8 type = event->response_type & 0x7f;
    const qint64 time = now();
    if (type == XCB_CREATE_NOTIFY) {
        const auto* created = static_cast<const xcb_create_notify_event_t*>(raw);
        if (created->parent != m_root || isWindowManagers(created->window))
            return;
        // Its own map, unmap and focus: a window manager that reparents it
        // into a frame leaves nothing of it on the root window.
        const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE;
        xcb_change_window_attributes(m_connection, created->window, XCB_CW_EVENT_MASK, &mask);
        // Before the window can be mapped, so that no drawing is missed.
        struct
        {
            quint8 major, minor;
            quint16 length;
            quint32 damage, drawable;
            quint8 level, pad[3];
        } request = {
            0, 0, 0, xcb_generate_id(m_connection), created->window, DamageReportRawRectangles, {}};
        sendRequest(m_connection, &damageExtension, DamageCreate, &request, sizeof request, false);
        flush();
    } else if (type == XCB_MAP_NOTIFY) {
        const auto* mapped = static_cast<const xcb_map_notify_event_t*>(raw);
        if (isWindowManagers(mapped->window))
            return;
        m_mapped->windows.insert(mapped->window);
        if (mapped->window == m_follow && mapped->event == m_follow)
            m_followed.mapped = time;
    } else if (type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY) {
        const quint32 window = type == XCB_UNMAP_NOTIFY
                                   ? static_cast<const xcb_unmap_notify_event_t*>(raw)->window
                                   : static_cast<const xcb_destroy_notify_event_t*>(raw)->window;
        if (type == XCB_UNMAP_NOTIFY &&
            static_cast<const xcb_unmap_notify_event_t*>(raw)->event != window)
            return; // the same, as seen from the root or a frame
        m_mapped->windows.remove(window);
        if (window == m_window && !m_gone)
            m_gone = time;
        if (window == m_follow) {
            m_followed.unmapped = time;
            m_focusIn = false;
        }
    } else if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
        const auto* focus = static_cast<const xcb_focus_in_event_t*>(raw);
        if (focus->event != m_follow || focus->detail == XCB_NOTIFY_DETAIL_POINTER ||
            focus->detail == XCB_NOTIFY_DETAIL_INFERIOR)
            return;
        m_focusIn = type == XCB_FOCUS_IN;
        if (m_focusIn)
            m_followed.focused = time;
    } else if (m_damageEvent && type == m_damageEvent) {
        // DamageNotify: the drawable follows the sequence number.
        quint32 drawable = 0;
        std::memcpy(&drawable, static_cast<const char*>(raw) + 4, sizeof drawable);
        if (!m_mapped->windows.contains(drawable))
            return;
        if (drawable == m_follow && m_focusIn && !m_followed.paintedFocused)
            m_followed.paintedFocused = time;
        if (!m_window) {
            m_window = drawable;
            m_firstPaint = time;
        }
        m_lastPaint = time;
    }
}

quint32 X11Observer::atom(const char* name) const
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, quint16(std::strlen(name)), name), nullptr);
    const quint32 atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

bool X11Observer::isWindowManagers(quint32 window) const
{
    const quint32 mask = xcb_get_setup(m_connection)->resource_id_mask;
    return m_windowManagerIds && (window & ~mask) == m_windowManagerIds;
}

bool X11Observer::windowManagerRuns()
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, m_root, atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW,
                         0, 1),
        nullptr);
    quint32 check = 0;
    if (reply && xcb_get_property_value_length(reply) == 4)
        std::memcpy(&check, xcb_get_property_value(reply), 4);
    std::free(reply);
    if (check)
        m_windowManagerIds = check & ~xcb_get_setup(m_connection)->resource_id_mask;
    return check != 0;
}

quint32 X11Observer::follow(qint64 pid)
{
    const quint32 pidAtom = atom("_NET_WM_PID");
    m_follow = 0;
    m_followed = {};
    m_focusIn = false;
    for (const quint32 window : std::as_const(m_mapped->windows)) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        quint32 owner = 0;
        if (reply && xcb_get_property_value_length(reply) == 4)
            std::memcpy(&owner, xcb_get_property_value(reply), 4);
        std::free(reply);
        if (owner == quint32(pid))
            m_follow = window;
    }
    return m_follow;
}

void X11Observer::minimizeFollowed()
{
    // WM_CHANGE_STATE with IconicState, sent to the root window.
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = m_follow;
    message.type = atom("WM_CHANGE_STATE");
    message.data.data32[0] = 3;
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    flush();
}

void X11Observer::fakeInput(quint8 type, quint8 detail, int rootX, int rootY)
{
    struct
    {
        quint8 major, minor;
        quint16 length;
        quint8 type, detail, pad0[2];
        quint32 time, root;
        quint8 pad1[8];
        qint16 rootX, rootY;
        quint8 pad2[7], device;
    } request = {0, 0, 0, type, detail, {}, 0, m_root, {}, qint16(rootX), qint16(rootY), {}, 0};
    static_assert(sizeof request == 36);
    sendRequest(m_connection, &testExtension, TestFakeInput, &request, sizeof request, false);
}

void X11Observer::movePointer(int x, int y)
{
    int originX = 0, originY = 0;
    if (m_window) {
        xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, m_window, m_root, 0, 0), nullptr);
        if (origin) {
            originX = origin->dst_x;
            originY = origin->dst_y;
            std::free(origin);
        }
    }
    fakeInput(XCB_MOTION_NOTIFY, 0, originX + x, originY + y);
    flush();
}

void X11Observer::click(int x, int y)
{
    movePointer(x, y);
    fakeInput(XCB_BUTTON_PRESS, 1);
    fakeInput(XCB_BUTTON_RELEASE, 1);
    flush();
}

quint8 X11Observer::keycode(quint32 keysym) const
{
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, quint8(count)),
        nullptr);
    if (!map)
        return 0;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map);
    quint8 found = 0;
    for (int code = 0; code < count && !found; ++code) {
        for (int column = 0; column < map->keysyms_per_keycode; ++column) {
            if (symbols[code * map->keysyms_per_keycode + column] == keysym) {
                found = quint8(setup->min_keycode + code);
                break;
            }
        }
    }
    std::free(map);
    return found;
}

void X11Observer::key(quint32 keysym, bool control)
{
    const quint8 code = keycode(keysym);
    const quint8 controlCode = control ? keycode(KeysymControl) : 0;
    if (controlCode)
        fakeInput(XCB_KEY_PRESS, controlCode);
    fakeInput(XCB_KEY_PRESS, code);
    fakeInput(XCB_KEY_RELEASE, code);
    if (controlCode)
        fakeInput(XCB_KEY_RELEASE, controlCode);
    flush();
}
