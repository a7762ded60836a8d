#include "desktop/typing/wayland/VirtualKeyboardTyper.h"

#include "desktop/typing/wayland/WaylandConnection.h"
#include "desktop/typing/wayland/virtual-keyboard-unstable-v1-client-protocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QScopeGuard>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// Keycodes 9 to 255: what clients shown through XWayland can take too.
constexpr qsizetype keysPerKeymap = 247;
constexpr quint32 firstKeycode = 9;
// Wayland key events carry evdev codes, which xkb keycodes exceed by 8.
constexpr quint32 evdevOffset = 8;

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

// A virtual keyboard on the compositor's first seat: null where there is no
// compositor, it offers no virtual keyboard, or it refuses one to this
// program.
zwp_virtual_keyboard_v1* virtualKeyboard(WaylandConnection& connection)
{
    if (!connection.isOpen())
        return nullptr;
    zwp_virtual_keyboard_v1* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        connection.global<zwp_virtual_keyboard_manager_v1>(), connection.seat());
    connection.destroyAtEnd([keyboard] { zwp_virtual_keyboard_v1_destroy(keyboard); });
    // A compositor that refuses this client ends the connection here.
    return connection.roundTrip() ? keyboard : nullptr;
}

} // namespace

bool VirtualKeyboardTyper::offered()
{
    WaylandConnection connection(zwp_virtual_keyboard_manager_v1_interface, 1);
    return virtualKeyboard(connection) != nullptr;
}

KeystrokeTyper::Outcome VirtualKeyboardTyper::type(const QList<quint32>& keysyms)
{
    using Outcome = KeystrokeTyper::Outcome;
    WaylandConnection connection(zwp_virtual_keyboard_manager_v1_interface, 1);
    const bool seatHadKeyboard = connection.seatHasKeyboard();
    zwp_virtual_keyboard_v1* keyboard = virtualKeyboard(connection);
    if (!keyboard)
        return Outcome::NotOffered;

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
        if (!sendKeymap(keyboard, keymapText(keymap)) || !connection.roundTrip())
            return typedSome ? Outcome::Failed : Outcome::NotOffered;
        // The keyboard joins the seat with its first keymap.
        if (!seatHadKeyboard && !typedSome && !connection.awaitKeyboard())
            return Outcome::Failed;
        for (const quint32 code : std::as_const(codes)) {
            zwp_virtual_keyboard_v1_key(keyboard, now(), code, WL_KEYBOARD_KEY_STATE_PRESSED);
            zwp_virtual_keyboard_v1_key(keyboard, now(), code, WL_KEYBOARD_KEY_STATE_RELEASED);
        }
        // The keys have reached the compositor before the connection ends.
        if (!connection.roundTrip())
            return Outcome::Failed;
        typedSome = true;
    }
    return Outcome::Typed;
}
