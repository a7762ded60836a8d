#include "XTestTyper.h"

#include <QHash>
#include <QScopeGuard>
#include <QThread>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// After Qt's headers, which Xlib's macros (Bool, Status) would break.
#include "XErrorTrap.h"

#include <algorithm>
#include <memory>

namespace {

// A client looks the keymap up when it gets round to the change notice, and
// reads the keys typed after it with what it then finds: it is given a moment
// for the notice before the keys go out, and time to read them before the
// keymap changes back.
constexpr unsigned long noticeMilliseconds = 20;
constexpr unsigned long readingMilliseconds = 150;

struct Stroke
{
    KeyCode code = 0;
    bool shift = false;
};

struct KeymapFree
{
    void operator()(XkbDescPtr keymap) const { XkbFreeKeyboard(keymap, 0, True); }
};
using KeymapPtr = std::unique_ptr<XkbDescRec, KeymapFree>;

KeymapPtr fetchKeymap(Display* display)
{
    return KeymapPtr(XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd));
}

// The level Shift alone selects in a key type, -1 when it selects none.
int shiftLevel(const XkbKeyTypeRec& type)
{
    for (int i = 0; i < type.map_count; ++i)
        if (type.map[i].active && type.map[i].mods.mask == ShiftMask)
            return type.map[i].level;
    return -1;
}

void press(Display* display, KeyCode code, bool down)
{
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
}

} // namespace

KeystrokeTyper::Outcome XTestTyper::type(const QList<quint32>& keysyms)
{
    using Outcome = KeystrokeTyper::Outcome;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return Outcome::NotOffered;
    const auto closeDisplay = qScopeGuard([display] { XCloseDisplay(display); });
    XErrorTrap trap(display);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor))
        return Outcome::NotOffered;
    int opcode = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor))
        return Outcome::NotOffered;
    if (keysyms.isEmpty())
        return Outcome::Typed;

    const KeymapPtr original = fetchKeymap(display);
    if (!original)
        return Outcome::Failed;
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);

    // The keys of the active group that give a keysym without a modifier or
    // with Shift alone, and the keys without any keysym.
    QHash<quint32, Stroke> layoutKeys;
    QList<KeyCode> spareCodes;
    for (int code = original->min_key_code; code <= original->max_key_code; ++code) {
        const int groups = XkbKeyNumGroups(original.get(), code);
        if (groups == 0) {
            spareCodes.append(static_cast<KeyCode>(code));
            continue;
        }
        const int group = state.group % groups;
        const int shifted = shift ? shiftLevel(*XkbKeyKeyType(original.get(), code, group)) : -1;
        for (const int level : {0, shifted}) {
            if (level < 0)
                continue;
            const auto symbol =
                static_cast<quint32>(XkbKeySymEntry(original.get(), code, level, group));
            const bool withShift = level != 0;
            const auto found = layoutKeys.constFind(symbol);
            if (symbol != NoSymbol && (found == layoutKeys.cend() || (found->shift && !withShift)))
                layoutKeys.insert(symbol, {static_cast<KeyCode>(code), withShift});
        }
    }
    const bool allInLayout = std::all_of(keysyms.cbegin(), keysyms.cend(),
                                         [&](quint32 s) { return layoutKeys.contains(s); });
    if (spareCodes.isEmpty() && !allInLayout)
        return Outcome::Failed;

    // Caps Lock would turn the letters typed into capitals.
    const bool capsLocked = (state.locked_mods & LockMask) != 0;
    if (capsLocked)
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, 0);

    // The text goes in stretches, each as long as the spare keycodes hold
    // its keysyms the layout lacks. Each stretch changes the keymap in one
    // request and puts it back in one, so a client reads it once each way.
    qsizetype next = 0;
    while (next < keysyms.size()) {
        QHash<quint32, KeyCode> borrowed;
        qsizetype end = next;
        for (; end < keysyms.size(); ++end) {
            const quint32 symbol = keysyms[end];
            if (layoutKeys.contains(symbol) || borrowed.contains(symbol))
                continue;
            if (borrowed.size() == spareCodes.size())
                break;
            borrowed.insert(symbol, spareCodes[borrowed.size()]);
        }
        XkbMapChangesRec changes{};
        if (!borrowed.isEmpty()) {
            const KeymapPtr working = fetchKeymap(display);
            if (!working)
                break;
            KeyCode first = working->max_key_code;
            KeyCode last = working->min_key_code;
            for (auto it = borrowed.cbegin(); it != borrowed.cend(); ++it) {
                int oneLevel = XkbOneLevelIndex;
                XkbChangeTypesOfKey(working.get(), it.value(), 1, XkbGroup1Mask, &oneLevel,
                                    nullptr);
                if (KeySym* symbols = XkbResizeKeySyms(working.get(), it.value(), 1))
                    symbols[0] = it.key();
                first = std::min(first, it.value());
                last = std::max(last, it.value());
            }
            // The keys between keep what they have: the request carries them
            // as they were read.
            changes.changed = XkbKeySymsMask;
            changes.first_key_sym = first;
            changes.num_key_syms = static_cast<unsigned char>(last - first + 1);
            XkbChangeMap(display, working.get(), &changes);
            XSync(display, False);
            QThread::msleep(noticeMilliseconds);
        }
        for (; next < end; ++next) {
            const quint32 symbol = keysyms[next];
            const Stroke stroke = layoutKeys.contains(symbol)
                                      ? layoutKeys.value(symbol)
                                      : Stroke{borrowed.value(symbol), false};
            if (stroke.shift)
                press(display, shift, true);
            press(display, stroke.code, true);
            press(display, stroke.code, false);
            if (stroke.shift)
                press(display, shift, false);
            XSync(display, False);
        }
        if (!borrowed.isEmpty()) {
            QThread::msleep(readingMilliseconds);
            XkbChangeMap(display, original.get(), &changes);
            XSync(display, False);
        }
    }
    if (capsLocked)
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
    return next == keysyms.size() && !trap.failed() ? Outcome::Typed : Outcome::Failed;
}
