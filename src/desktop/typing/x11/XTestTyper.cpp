#include "desktop/typing/x11/XTestTyper.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QScopeGuard>
#include <QThread>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// After Qt's headers, which Xlib's macros (Bool, Status) would break.
#include "desktop/typing/x11/XErrorTrap.h"

#include <algorithm>
#include <memory>

#include <poll.h>

namespace {

// A client gets the keymap change notice before the keys typed after it, but
// looks the keymap up only when it gets round to the notice, and then reads
// the keys with what it finds: the keymap must not change again until it has.
// A window that answers pings is asked, after the keys, and the answer shows
// it has read them; a window that does not answer is given a while, and one
// that answers too late is then treated as one that does not.
constexpr unsigned long readingMilliseconds = 150;
constexpr int pingAnswerMilliseconds = 3000;

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

// The window whose client gets the keys typed now, the focus window or its
// nearest ancestor that names the protocols of its client, when that client
// answers pings; else None.
Window pingableFocus(Display* display)
{
    Window window = None;
    int revertTo = 0;
    XGetInputFocus(display, &window, &revertTo);
    const Window root = DefaultRootWindow(display);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    while (window != None && window != PointerRoot && window != root) {
        Atom* protocols = nullptr;
        int count = 0;
        if (XGetWMProtocols(display, window, &protocols, &count)) {
            const bool answers = std::find(protocols, protocols + count, ping) != protocols + count;
            XFree(protocols);
            return answers ? window : None;
        }
        Window treeRoot = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int childCount = 0;
        if (!XQueryTree(display, window, &treeRoot, &parent, &children, &childCount))
            return None;
        if (children)
            XFree(children);
        window = parent;
    }
    return None;
}

// Pings the window and waits for its client's answer, which it sends once it
// has handled every event that came before the ping. The answer goes to the
// root window, where the display has to listen for it (see listenForPings).
bool pingAnswered(Display* display, Window window)
{
    static unsigned long lastToken = 0;
    const unsigned long token = ++lastToken & 0xffffffffUL;
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = static_cast<long>(window);
    event.xclient.data.l[3] = static_cast<long>(token);
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);

    const QDeadlineTimer deadline(pingAnswerMilliseconds);
    for (;;) {
        while (XPending(display) > 0) {
            XNextEvent(display, &event);
            const XClientMessageEvent& answer = event.xclient;
            if (event.type == ClientMessage && answer.message_type == protocols &&
                answer.format == 32 && static_cast<Atom>(answer.data.l[0]) == ping &&
                static_cast<Window>(answer.data.l[2]) == window &&
                (static_cast<unsigned long>(answer.data.l[3]) & 0xffffffffUL) == token)
                return true;
        }
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return false;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(remaining));
    }
}

// Clients send their answers to pings to the root window for the structure
// events of either kind.
void listenForPings(Display* display)
{
    XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask | SubstructureNotifyMask);
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

    // The window that reads the keys, while it answers pings.
    Window reader = allInLayout ? None : pingableFocus(display);
    if (reader != None)
        listenForPings(display);

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
            if (reader != None && !pingAnswered(display, reader))
                reader = None;
            if (reader == None)
                QThread::msleep(readingMilliseconds);
            XkbChangeMap(display, original.get(), &changes);
            XSync(display, False);
        }
    }
    if (capsLocked)
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
    return next == keysyms.size() && !trap.failed() ? Outcome::Typed : Outcome::Failed;
}
