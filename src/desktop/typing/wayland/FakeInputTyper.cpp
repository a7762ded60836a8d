#include "desktop/typing/wayland/FakeInputTyper.h"

#include "desktop/typing/wayland/fake-input-client-protocol.h"

#include <QHash>
#include <QScopeGuard>
#include <QThread>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace {

// Keys typing needs first (keyboard_key).
constexpr uint32_t neededVersion = 4;
// Wayland key events carry evdev codes, which xkb keycodes exceed by 8.
constexpr xkb_keycode_t evdevOffset = 8;
// A seat that had no keyboard gains one with the fake device: the focused
// client then has to bind it before keys can reach it.
constexpr unsigned long bindingMilliseconds = 300;

struct Globals
{
    wl_seat* seat = nullptr;
    org_kde_kwin_fake_input* fakeInput = nullptr;
    wl_keyboard* keyboard = nullptr;
    bool seatHasKeyboard = false;
    QByteArray keymap;
};

void seatCapabilities(void* data, wl_seat*, uint32_t capabilities)
{
    static_cast<Globals*>(data)->seatHasKeyboard =
        (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
}

void seatName(void*, wl_seat*, const char*) {}

const wl_seat_listener seatListener = {seatCapabilities, seatName};

void keymapArrived(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
{
    const auto closeFd = qScopeGuard([fd] { close(fd); });
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0)
        return;
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text == MAP_FAILED)
        return;
    // The text ends with a NUL, which is left out.
    static_cast<Globals*>(data)->keymap =
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

void announce(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version)
{
    auto* globals = static_cast<Globals*>(data);
    if (!globals->seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        globals->seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 4u)));
        wl_seat_add_listener(globals->seat, &seatListener, globals);
    } else if (!globals->fakeInput && version >= neededVersion &&
               std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        globals->fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, neededVersion));
}

void withdraw(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {announce, withdraw};

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

} // namespace

bool FakeInputTyper::offered()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return false;
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    const bool found = wl_display_roundtrip(display) >= 0 && globals.fakeInput;
    if (globals.fakeInput)
        org_kde_kwin_fake_input_destroy(globals.fakeInput);
    if (globals.seat)
        wl_seat_destroy(globals.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return found;
}

KeystrokeTyper::Outcome FakeInputTyper::type(const QList<quint32>& keysyms)
{
    using Outcome = KeystrokeTyper::Outcome;
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return Outcome::NotOffered;
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    // Before the connection ends: guards end in the reverse order.
    const auto disconnect = qScopeGuard([&] {
        if (globals.keyboard)
            wl_keyboard_destroy(globals.keyboard);
        if (globals.fakeInput)
            org_kde_kwin_fake_input_destroy(globals.fakeInput);
        if (globals.seat)
            wl_seat_destroy(globals.seat);
        wl_registry_destroy(registry);
        wl_display_flush(display);
        wl_display_disconnect(display);
    });
    wl_registry_add_listener(registry, &registryListener, &globals);
    if (wl_display_roundtrip(display) < 0 || !globals.seat || !globals.fakeInput ||
        wl_display_roundtrip(display) < 0)
        return Outcome::NotOffered;
    const bool seatHadKeyboard = globals.seatHasKeyboard;
    org_kde_kwin_fake_input_authenticate(globals.fakeInput, "Zuno Smileys",
                                         "types the entry picked in the catalogue");
    // The fake device gives a seat without a keyboard one; then its keymap.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0 ||
        !globals.seatHasKeyboard)
        return Outcome::NotOffered;
    globals.keyboard = wl_seat_get_keyboard(globals.seat);
    wl_keyboard_add_listener(globals.keyboard, &keyboardListener, &globals);
    if (wl_display_roundtrip(display) < 0 || globals.keymap.isEmpty())
        return Outcome::NotOffered;

    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context)
        return Outcome::Failed;
    const std::unique_ptr<xkb_keymap, KeymapFree> keymap(
        xkb_keymap_new_from_string(context, globals.keymap.constData(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                   XKB_KEYMAP_COMPILE_NO_FLAGS));
    xkb_context_unref(context);
    if (!keymap)
        return Outcome::Failed;
    const QHash<quint32, Stroke> keys = layoutKeys(keymap.get());
    const xkb_keycode_t shift = keys.value(XKB_KEY_Shift_L).code;
    for (const quint32 keysym : keysyms)
        if (!keys.contains(keysym) || (keys.value(keysym).shift && shift == 0))
            return Outcome::NotOffered;

    if (!seatHadKeyboard)
        QThread::msleep(bindingMilliseconds);
    const auto press = [&](xkb_keycode_t code, bool down) {
        org_kde_kwin_fake_input_keyboard_key(globals.fakeInput, code - evdevOffset, down ? 1 : 0);
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
    return wl_display_roundtrip(display) < 0 ? Outcome::Failed : Outcome::Typed;
}
