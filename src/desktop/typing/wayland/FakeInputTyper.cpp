#include "desktop/typing/wayland/FakeInputTyper.h"

#include "desktop/typing/wayland/WaylandConnection.h"
#include "desktop/typing/wayland/fake-input-client-protocol.h"

#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QStandardPaths>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

#include <memory>

namespace {

// Keys typing needs first (keyboard_key).
constexpr uint32_t neededVersion = 4;
// Wayland key events carry evdev codes, which xkb keycodes exceed by 8.
constexpr xkb_keycode_t evdevOffset = 8;

// What the seat's keyboard says: the keymap KWin types with.
struct Keyboard
{
    QByteArray keymap;
};

void keymapArrived(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
{
    const auto closeFd = qScopeGuard([fd] { close(fd); });
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0)
        return;
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text == MAP_FAILED)
        return;
    // The text ends with a NUL, which is left out.
    static_cast<Keyboard*>(data)->keymap =
        QByteArray(static_cast<const char*>(text), static_cast<qsizetype>(size)).chopped(1);
    munmap(text, size);
}

void keyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void keyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void keyboardKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void keyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void keyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener keyboardListener = {keymapArrived, keyboardEnter,     keyboardLeave,
                                               keyboardKey,   keyboardModifiers, keyboardRepeat};

struct Stroke
{
    xkb_keycode_t code = 0;
    bool shift = false;
};

struct KeymapFree
{
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

// The keys of the first layout that give a keysym without a modifier or
// with Shift alone, the former preferred.
QHash<quint32, Stroke> layoutKeys(xkb_keymap* keymap)
{
    QHash<quint32, Stroke> keys;
    const xkb_mod_index_t shiftIndex = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
    const xkb_mod_mask_t shiftMask = shiftIndex == XKB_MOD_INVALID ? 0 : 1u << shiftIndex;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= last; ++code) {
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, 0);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* symbols = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, &symbols) != 1)
                continue;
            xkb_mod_mask_t masks[8];
            const size_t count =
                xkb_keymap_key_get_mods_for_level(keymap, code, 0, level, masks, std::size(masks));
            for (size_t i = 0; i < count; ++i) {
                const bool plain = masks[i] == 0;
                if (!plain && (shiftMask == 0 || masks[i] != shiftMask))
                    continue;
                const auto found = keys.constFind(symbols[0]);
                if (found == keys.cend() || (found->shift && plain))
                    keys.insert(symbols[0], {code, !plain});
            }
        }
    }
    return keys;
}

// A global KWin announces to every client, and no other compositor does.
constexpr char kwinMark[] = "org_kde_kwin_server_decoration_manager";

// KWin withholds fake input from a program none of whose desktop entries
// names it; said once, since every pick would say it again.
void explainWithheld(const WaylandConnection& connection)
{
    static bool said = false;
    if (said || connection.isOpen() || !connection.announced(kwinMark) ||
        connection.announced(org_kde_kwin_fake_input_interface.name))
        return;
    said = true;
    // KWin compares the entry's first Exec word, made canonical, with the
    // link /proc/PID/exe of its client.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    // KWin 6 finds desktop entries only through the session's applications
    // menu, which Plasma 6 installs.
    const QString menu =
        QLatin1String("menus/%1applications.menu").arg(qEnvironmentVariable("XDG_MENU_PREFIX"));
    const QString noMenu =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, menu).isEmpty()
            ? QLatin1String("; under Plasma 6 the session also needs its applications menu (%1 "
                            "in a configuration folder), without which KWin reads no entry")
                  .arg(menu)
            : QString();
    qWarning("KWin offers no fake input to this program: its desktop entry's Exec must name %s "
             "(with X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input)%s; typing goes through the "
             "desktop portal instead",
             qPrintable(program), qPrintable(noMenu));
}

} // namespace

bool FakeInputTyper::offered()
{
    const WaylandConnection connection(org_kde_kwin_fake_input_interface, neededVersion);
    explainWithheld(connection);
    return connection.isOpen();
}

KeystrokeTyper::Outcome FakeInputTyper::type(const QList<quint32>& keysyms)
{
    using Outcome = KeystrokeTyper::Outcome;
    WaylandConnection connection(org_kde_kwin_fake_input_interface, neededVersion);
    explainWithheld(connection);
    if (!connection.isOpen())
        return Outcome::NotOffered;
    auto* fakeInput = connection.global<org_kde_kwin_fake_input>();
    const bool seatHadKeyboard = connection.seatHasKeyboard();
    org_kde_kwin_fake_input_authenticate(fakeInput, "Zuno Smileys",
                                         "types the entry picked in the catalogue");
    // The fake device gives a seat without a keyboard one; then its keymap.
    if (!connection.roundTrip() || !connection.roundTrip() || !connection.seatHasKeyboard())
        return Outcome::NotOffered;
    Keyboard keyboard;
    wl_keyboard* seatKeyboard = wl_seat_get_keyboard(connection.seat());
    connection.destroyAtEnd([seatKeyboard] { wl_keyboard_destroy(seatKeyboard); });
    wl_keyboard_add_listener(seatKeyboard, &keyboardListener, &keyboard);
    if (!connection.roundTrip() || keyboard.keymap.isEmpty())
        return Outcome::NotOffered;

    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context)
        return Outcome::Failed;
    const std::unique_ptr<xkb_keymap, KeymapFree> keymap(
        xkb_keymap_new_from_string(context, keyboard.keymap.constData(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                   XKB_KEYMAP_COMPILE_NO_FLAGS));
    xkb_context_unref(context);
    if (!keymap)
        return Outcome::Failed;
    const QHash<quint32, Stroke> keys = layoutKeys(keymap.get());
    const xkb_keycode_t shift = keys.value(XKB_KEY_Shift_L).code;
    for (const quint32 keysym : keysyms)
        if (!keys.contains(keysym) || (keys.value(keysym).shift && shift == 0))
            return Outcome::NotOffered;

    if (!seatHadKeyboard && !connection.awaitKeyboard())
        return Outcome::Failed;
    const auto press = [&](xkb_keycode_t code, bool down) {
        org_kde_kwin_fake_input_keyboard_key(fakeInput, code - evdevOffset, down ? 1 : 0);
    };
    for (const quint32 keysym : keysyms) {
        const Stroke stroke = keys.value(keysym);
        if (stroke.shift)
            press(shift, true);
        press(stroke.code, true);
        press(stroke.code, false);
        if (stroke.shift)
            press(shift, false);
    }
    // The keys have reached the compositor before the connection ends.
    return connection.roundTrip() ? Outcome::Typed : Outcome::Failed;
}
