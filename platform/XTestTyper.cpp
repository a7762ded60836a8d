#include "XTestTyper.h"

#include <QHash>
#include <QScopeGuard>
#include <QThread>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>

namespace {

// How long the focused client is given to read a changed keymap before keys
// typed with it arrive, and to read those keys before the keymap changes back:
// a client looks the keymap up when it gets round to the change notice.
constexpr unsigned long settleMilliseconds = 100;

struct Stroke
{
    KeyCode code = 0;
    bool shift = false;
};

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
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor))
        return Outcome::NotOffered;
    if (keysyms.isEmpty())
        return Outcome::Typed;

    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(display, &minCode, &maxCode);
    int perCode = 0;
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minCode),
                                      maxCode - minCode + 1, &perCode);
    if (!map)
        return Outcome::Failed;
    const auto freeMap = qScopeGuard([map] { XFree(map); });
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    // The core keymap holds the first two levels of the first group in its
    // first two columns, of the second group in the next two; keys of other
    // groups are not searched.
    const int column = state.group == 0 ? 0 : state.group == 1 ? 2 : perCode;
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);

    QHash<quint32, Stroke> layoutKeys;
    QList<KeyCode> spareCodes;
    for (int code = minCode; code <= maxCode; ++code) {
        const KeySym* symbols = map + (code - minCode) * perCode;
        if (std::all_of(symbols, symbols + perCode, [](KeySym s) { return s == NoSymbol; })) {
            spareCodes.append(static_cast<KeyCode>(code));
            continue;
        }
        for (int level = 0; level < 2 && column + level < perCode; ++level) {
            const KeySym symbol = symbols[column + level];
            const bool shifted = level == 1;
            if (symbol == NoSymbol || (shifted && shift == 0))
                continue;
            const auto found = layoutKeys.constFind(static_cast<quint32>(symbol));
            if (found == layoutKeys.cend() || (found->shift && !shifted))
                layoutKeys.insert(static_cast<quint32>(symbol),
                                  {static_cast<KeyCode>(code), shifted});
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
    // its keysyms the layout lacks; every keysym keeps its keycode for the
    // whole stretch, so the keymap changes only between stretches.
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
        for (auto it = borrowed.cbegin(); it != borrowed.cend(); ++it) {
            KeySym symbols[2] = {it.key(), it.key()};
            XChangeKeyboardMapping(display, it.value(), 2, symbols, 1);
        }
        if (!borrowed.isEmpty()) {
            XSync(display, False);
            QThread::msleep(settleMilliseconds);
        }
        for (; next < end; ++next) {
            const quint32 symbol = keysyms[next];
            const Stroke stroke = layoutKeys.contains(symbol)
                ? layoutKeys.value(symbol) : Stroke{borrowed.value(symbol), false};
            if (stroke.shift)
                press(display, shift, true);
            press(display, stroke.code, true);
            press(display, stroke.code, false);
            if (stroke.shift)
                press(display, shift, false);
            XSync(display, False);
        }
        if (!borrowed.isEmpty()) {
            QThread::msleep(settleMilliseconds);
            for (const KeyCode code : std::as_const(borrowed))
                XChangeKeyboardMapping(display, code, perCode, map + (code - minCode) * perCode, 1);
            XSync(display, False);
        }
    }
    if (capsLocked)
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
    XSync(display, False);
    return Outcome::Typed;
}
