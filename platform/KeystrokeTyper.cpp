#include "KeystrokeTyper.h"

#include "DesktopSession.h"
#include "VirtualKeyboardTyper.h"
#include "XTestTyper.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

KeystrokeTyper::Outcome KeystrokeTyper::type(const QString& text)
{
    const QList<quint32> keysyms = keysymsOf(text);
    if (isWaylandSession())
        return VirtualKeyboardTyper::type(keysyms);
    return XTestTyper::type(keysyms);
}

QList<quint32> KeystrokeTyper::keysymsOf(const QString& text)
{
    QList<quint32> keysyms;
    const QList<uint> codePoints = text.toUcs4();
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        const uint c = codePoints[i];
        if (c == '\r' && i + 1 < codePoints.size() && codePoints[i + 1] == '\n')
            continue; // CR LF is one line break
        if (c == '\n' || c == '\r')
            keysyms.append(XKB_KEY_Return);
        else if (c == '\t')
            keysyms.append(XKB_KEY_Tab);
        else if (c >= 0x20 && c != 0x7f && !(c >= 0x80 && c < 0xa0)) {
            if (const xkb_keysym_t keysym = xkb_utf32_to_keysym(c); keysym != XKB_KEY_NoSymbol)
                keysyms.append(keysym);
        }
    }
    return keysyms;
}
