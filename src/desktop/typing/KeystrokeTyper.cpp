#include "desktop/typing/KeystrokeTyper.h"

#include "base/DesktopSession.h"
#include "base/InstallLayout.h"
#include "desktop/typing/RemoteDesktopTyper.h"
#include "desktop/typing/TypingModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QObject>

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <cstddef>
#include <type_traits>

namespace {

using Outcome = KeystrokeTyper::Outcome;

// The typing module's file: with the private libraries of an installation,
// whether the program runs from its programs' folder or a helper from the
// libexec folder; beside the program elsewhere (the build tree, a copy).
QString typingModulePath()
{
    return InstallLayout::privateLibrary(
        InstallLayout::programFolderOf(QCoreApplication::applicationDirPath()),
        QLatin1String(TypingModule::FileName));
}

// The typing module's entry points, loaded the first time one is needed and
// kept for the life of the process. All null when the module cannot be
// loaded or lacks one of them, which is said once on standard error: then
// nothing types but the portal.
struct TypingBackends
{
    TypingModule::Type xtestType = nullptr;
    TypingModule::Offered virtualKeyboardOffered = nullptr;
    TypingModule::Type virtualKeyboardType = nullptr;
    TypingModule::Offered fakeInputOffered = nullptr;
    TypingModule::Type fakeInputType = nullptr;

    static const TypingBackends& get()
    {
        static const TypingBackends backends = load();
        return backends;
    }

private:
    static TypingBackends load()
    {
        const QString path = typingModulePath();
        QLibrary library(path);
        if (!library.load()) {
            // Where the file is missing, the loader's message names the last
            // of the variants of its name that it tried.
            qWarning("Typing is not offered: %s",
                     qPrintable(QFileInfo::exists(path) ? library.errorString()
                                                        : path + QStringLiteral(" is missing")));
            return {};
        }
        TypingBackends backends;
        bool complete = true;
        const auto resolve = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                library.resolve(name));
            complete = complete && function;
        };
        resolve(backends.xtestType, TypingModule::XTestType);
        resolve(backends.virtualKeyboardOffered, TypingModule::VirtualKeyboardOffered);
        resolve(backends.virtualKeyboardType, TypingModule::VirtualKeyboardType);
        resolve(backends.fakeInputOffered, TypingModule::FakeInputOffered);
        resolve(backends.fakeInputType, TypingModule::FakeInputType);
        if (complete)
            return backends;
        qWarning("Typing is not offered: %s", qPrintable(library.errorString()));
        return {};
    }
};

bool offered(TypingModule::Offered ask)
{
    return ask && ask() != 0;
}

Outcome typeWith(TypingModule::Type type, const QList<quint32>& keysyms)
{
    if (!type)
        return Outcome::NotOffered;
    switch (const int outcome =
                type(keysyms.constData(), static_cast<std::size_t>(keysyms.size()))) {
    case static_cast<int>(Outcome::Typed):
    case static_cast<int>(Outcome::NotOffered):
    case static_cast<int>(Outcome::Failed):
        return static_cast<Outcome>(outcome);
    default:
        return Outcome::Failed;
    }
}

} // namespace

void KeystrokeTyper::prepare(QObject* context, std::function<void(Outcome)> ready)
{
    // On X11 the module is loaded only when typing.
    if (!isWaylandSession() || offered(TypingBackends::get().virtualKeyboardOffered) ||
        offered(TypingBackends::get().fakeInputOffered)) {
        QMetaObject::invokeMethod(
            context, [ready = std::move(ready)] { ready(Outcome::Typed); }, Qt::QueuedConnection);
        return;
    }
    RemoteDesktopTyper::open(context, std::move(ready));
}

KeystrokeTyper::Outcome KeystrokeTyper::type(const QString& text)
{
    const QList<quint32> keysyms = keysymsOf(text);
    const TypingBackends& backends = TypingBackends::get();
    if (!isWaylandSession())
        return typeWith(backends.xtestType, keysyms);
    // A compositor that offers no virtual keyboard to every program (KWin,
    // Mutter) may give KWin's fake input to this one, which asks nothing but
    // has the user's layout alone; else the portal types.
    for (const auto typer : {backends.virtualKeyboardType, backends.fakeInputType})
        if (const Outcome outcome = typeWith(typer, keysyms); outcome != Outcome::NotOffered)
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
