#include "desktop/typing/KeystrokeTyper.h"

#include "base/DesktopSession.h"
#include "base/InstallLayout.h"
#include "desktop/typing/RemoteDesktopTyper.h"
#include "desktop/typing/TypingBackend.h"
#include "desktop/typing/TypingModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QObject>

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>

namespace {

using Outcome = KeystrokeTyper::Outcome;

#if ZUNO_WITH_TYPING_MODULE
// The typing module's file: with the private libraries of an installation,
// whether the program runs from its programs' folder or a helper from the
// libexec folder; beside the program elsewhere (the build tree, a copy).
QString typingModulePath()
{
    return InstallLayout::privateLibrary(
        InstallLayout::programFolderOf(QCoreApplication::applicationDirPath()),
        QLatin1String(TypingModule::FileName));
}

// The typing module's backends, loaded the first time one is needed and
// kept for the life of the process (the module is never unloaded). None
// when the module cannot be loaded or lacks its entry point, which is said
// once on standard error: then nothing types but the portal.
QList<TypingBackend*> loadModule()
{
    const QString path = typingModulePath();
    QLibrary library(path);
    if (!library.load()) {
        // Where the file is missing, the loader's message names the last of
        // the variants of its name that it tried.
        qWarning("Typing is not offered: %s",
                 qPrintable(QFileInfo::exists(path) ? library.errorString()
                                                    : path + QStringLiteral(" is missing")));
        return {};
    }
    const auto backends =
        reinterpret_cast<TypingModule::Backends>(library.resolve(TypingModule::BackendsEntry));
    if (!backends) {
        qWarning("Typing is not offered: %s", qPrintable(library.errorString()));
        return {};
    }
    QList<TypingBackend*> list;
    for (TypingBackend* const* backend = backends(); *backend; ++backend)
        list.append(*backend);
    return list;
}
#endif

const QList<TypingBackend*>& moduleBackends()
{
#if ZUNO_WITH_TYPING_MODULE
    static const QList<TypingBackend*> backends = loadModule();
#else
    static const QList<TypingBackend*> backends;
#endif
    return backends;
}

// The backends a test put in the place of the module's.
std::optional<QList<TypingBackend*>>& installed()
{
    static std::optional<QList<TypingBackend*>> backends;
    return backends;
}

// The backends for this kind of session, in the module's order.
QList<TypingBackend*> backendsFor(TypingBackend::Session session)
{
    QList<TypingBackend*> list;
    for (TypingBackend* backend : installed() ? *installed() : moduleBackends())
        if (backend->session() == session)
            list.append(backend);
    return list;
}

TypingBackend::Session currentSession()
{
    return isWaylandSession() ? TypingBackend::Session::Wayland : TypingBackend::Session::X11;
}

} // namespace

void KeystrokeTyper::prepare(QObject* context, std::function<void(Outcome)> ready)
{
    // On X11 the module is loaded only when typing.
    const auto offered = [](TypingBackend* backend) { return backend->offered(); };
    if (!isWaylandSession() ||
        std::ranges::any_of(backendsFor(TypingBackend::Session::Wayland), offered)) {
        QMetaObject::invokeMethod(
            context, [ready = std::move(ready)] { ready(Outcome::Typed); }, Qt::QueuedConnection);
        return;
    }
    RemoteDesktopTyper::open(context, std::move(ready));
}

KeystrokeTyper::Outcome KeystrokeTyper::type(const QString& text)
{
    const QList<quint32> keysyms = keysymsOf(text);
    const TypingBackend::Session session = currentSession();
    for (TypingBackend* backend : backendsFor(session))
        if (const Outcome outcome = backend->type(keysyms); outcome != Outcome::NotOffered)
            return outcome;
    // Where the compositor gives this program no way of its own, the portal
    // types.
    if (session == TypingBackend::Session::Wayland)
        return RemoteDesktopTyper::type(keysyms);
    return Outcome::NotOffered;
}

void KeystrokeTyper::setBackends(std::optional<QList<TypingBackend*>> backends)
{
    installed() = std::move(backends);
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
