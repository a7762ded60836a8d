#include "KeystrokeTyper.h"

#include "DesktopSession.h"
#include "FakeInputTyper.h"
#include "RemoteDesktopTyper.h"
#include "VirtualKeyboardTyper.h"
#include "XTestTyper.h"

#include <QObject>

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

void KeystrokeTyper::prepare(QObject* context, std::function<void(Outcome)> ready)
{
    if (!isWaylandSession() || VirtualKeyboardTyper::offered() || FakeInputTyper::offered()) {
        QMetaObject::invokeMethod(
            context, [ready = std::move(ready)] { ready(Outcome::Typed); }, Qt::QueuedConnection);
        return;
    }
    RemoteDesktopTyper::open(context, std::move(ready));
}

KeystrokeTyper::Outcome KeystrokeTyper::type(const QString& text)
{
    const QList<quint32> keysyms = keysymsOf(text);
    if (!isWaylandSession())
        return XTestTyper::type(keysyms);
    // A compositor that offers no virtual keyboard to every program (KWin,
    // Mutter) may give KWin's fake input to this one, which asks nothing but
    // has the user's layout alone; else the portal types.
    for (const auto typer : {VirtualKeyboardTyper::type, FakeInputTyper::type})
        if (const Outcome outcome = typer(keysyms); outcome != Outcome::NotOffered)
            return outcome;
    return RemoteDesktopTyper::type(keysyms);
}

void KeystrokeTyper::cancel()
{
    RemoteDesktopTyper::close();
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
