#include "desktop/typing/wayland/VirtualKeyboardTyper.h"

#include "desktop/typing/wayland/virtual-keyboard-unstable-v1-client-protocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace {

// Keycodes 9 to 255: what clients shown through XWayland can take too.
constexpr qsizetype keysPerKeymap = 247;
constexpr quint32 firstKeycode = 9;
// Wayland key events carry evdev codes, which xkb keycodes exceed by 8.
constexpr quint32 evdevOffset = 8;

// A seat that had no keyboard gains one with ours: the focused client then
// has to bind it before keys can reach it, and is given this long for it.
constexpr unsigned long bindingMilliseconds = 300;

struct Globals
{
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* manager = nullptr;
    bool seatHasKeyboard = false;
};

void seatCapabilities(void* data, wl_seat*, uint32_t capabilities)
{
    static_cast<Globals*>(data)->seatHasKeyboard =
        (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
}

void seatName(void*, wl_seat*, const char*) {}

const wl_seat_listener seatListener = {seatCapabilities, seatName};

void announce(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (!globals->seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        wl_seat_add_listener(globals->seat, &seatListener, globals);
    } else if (!globals->manager &&
               std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        globals->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}

void withdraw(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {announce, withdraw};

// A keymap with one key of a single level for each keysym, in order from
// keycode 9; types and compatibility are the usual complete ones.
QByteArray keymapText(const QList<quint32>& keysyms)
{
    QByteArray keycodes;
    QByteArray symbols;
    for (qsizetype i = 0; i < keysyms.size(); ++i) {
        const QByteArray key = "<K" + QByteArray::number(i) + '>';
        keycodes += "  " + key + " = " + QByteArray::number(firstKeycode + i) + ";\n";
        char name[64];
        xkb_keysym_get_name(keysyms[i], name, sizeof name);
        symbols += "  key " + key + " { [ " + QByteArray(name) + " ] };\n";
    }
    return "xkb_keymap {\n"
           "xkb_keycodes \"typed\" {\n  minimum = 8;\n  maximum = 255;\n" +
           keycodes +
           "};\n"
           "xkb_types \"typed\" { include \"complete\" };\n"
           "xkb_compatibility \"typed\" { include \"complete\" };\n"
           "xkb_symbols \"typed\" {\n" +
           symbols +
           "};\n"
           "};\n";
}

// Hands the keymap over in a memory file, as the protocol asks.
bool sendKeymap(zwp_virtual_keyboard_v1* keyboard, const QByteArray& text)
{
    const int fd = memfd_create("typed-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    const auto closeFd = qScopeGuard([fd] { close(fd); });
    // The compositor reads the text with its terminating NUL.
    const auto size = static_cast<size_t>(text.size()) + 1;
    if (write(fd, text.constData(), size) != static_cast<ssize_t>(size))
        return false;
    // The request takes a duplicate of the descriptor.
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<uint32_t>(size));
    return true;
}

} // namespace

namespace {

// A connection to the compositor with a virtual keyboard on its first seat.
class Connection
{
public:
    Connection()
        : m_display(wl_display_connect(nullptr))
    {}
    ~Connection()
    {
        if (!m_display)
            return;
        if (keyboard)
            zwp_virtual_keyboard_v1_destroy(keyboard);
        if (m_globals.manager)
            zwp_virtual_keyboard_manager_v1_destroy(m_globals.manager);
        if (m_globals.seat)
            wl_seat_destroy(m_globals.seat);
        if (m_registry)
            wl_registry_destroy(m_registry);
        wl_display_flush(m_display);
        wl_display_disconnect(m_display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // False where there is no compositor, it offers no virtual keyboard, or
    // it refuses one to this program.
    bool open()
    {
        if (!m_display)
            return false;
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &registryListener, &m_globals);
        // The second round trip brings the seat's capabilities.
        if (wl_display_roundtrip(m_display) < 0 || !m_globals.seat || !m_globals.manager ||
            wl_display_roundtrip(m_display) < 0)
            return false;
        seatHadKeyboard = m_globals.seatHasKeyboard;
        keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_globals.manager,
                                                                           m_globals.seat);
        // A compositor that refuses this client ends the connection here.
        return wl_display_roundtrip(m_display) >= 0;
    }

    wl_display* display() const { return m_display; }

    zwp_virtual_keyboard_v1* keyboard = nullptr;
    bool seatHadKeyboard = false;

private:
    wl_display* m_display;
    wl_registry* m_registry = nullptr;
    Globals m_globals;
};

} // namespace

bool VirtualKeyboardTyper::offered()
{
    return Connection().open();
}

KeystrokeTyper::Outcome VirtualKeyboardTyper::type(const QList<quint32>& keysyms)
{
    using Outcome = KeystrokeTyper::Outcome;
    Connection connection;
    if (!connection.open())
        return Outcome::NotOffered;
    wl_display* display = connection.display();
    zwp_virtual_keyboard_v1* keyboard = connection.keyboard;
    const bool seatHadKeyboard = connection.seatHadKeyboard;

    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return static_cast<uint32_t>(clock.elapsed()); };
    bool typedSome = false;
    qsizetype next = 0;
    while (next < keysyms.size()) {
        // The keysyms up to the next one a full keymap has no room for.
        QList<quint32> keymap;
        QList<quint32> codes;
        for (; next < keysyms.size(); ++next) {
            qsizetype index = keymap.indexOf(keysyms[next]);
            if (index < 0) {
                if (keymap.size() == keysPerKeymap)
                    break;
                index = keymap.size();
                keymap.append(keysyms[next]);
            }
            codes.append(firstKeycode + static_cast<quint32>(index) - evdevOffset);
        }
        if (!sendKeymap(keyboard, keymapText(keymap)) || wl_display_roundtrip(display) < 0)
            return typedSome ? Outcome::Failed : Outcome::NotOffered;
        if (!seatHadKeyboard && !typedSome)
            QThread::msleep(bindingMilliseconds);
        for (const quint32 code : std::as_const(codes)) {
            zwp_virtual_keyboard_v1_key(keyboard, now(), code, WL_KEYBOARD_KEY_STATE_PRESSED);
            zwp_virtual_keyboard_v1_key(keyboard, now(), code, WL_KEYBOARD_KEY_STATE_RELEASED);
        }
        if (wl_display_roundtrip(display) < 0)
            return Outcome::Failed;
        typedSome = true;
    }
    return Outcome::Typed;
}
