#include "service/insert-text/LauncherFocus.h"

#include "service/insert-text/plasma-window-management-client-protocol.h"

#include <QDeadlineTimer>
#include <QList>
#include <QString>

#include <wayland-client.h>

#include <poll.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The last version whose events the wire description lists.
constexpr std::uint32_t knownVersion = 16;
// Windows are named by uuid from this version on, by number before.
constexpr std::uint32_t uuidVersion = 13;
constexpr std::uint32_t destructorVersion = 4;
constexpr std::uint32_t activeState = 0x1;

struct Window
{
    org_kde_plasma_window* proxy = nullptr;
    QString appId;
    bool active = false;
    bool unmapped = false;
};

struct WindowList
{
    org_kde_plasma_window_management* manager = nullptr;
    std::uint32_t version = 0;
    QList<std::shared_ptr<Window>> windows;
};

// The desktop's search field and its shell, whose windows keys must never reach.
bool isLauncher(const QString& appId)
{
    for (const char* launcher :
         {"org.kde.krunner", "krunner", "org.kde.plasmashell", "plasmashell"})
        if (appId.compare(QLatin1String(launcher), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void appIdChanged(void* data, org_kde_plasma_window*, const char* appId)
{
    static_cast<Window*>(data)->appId = QString::fromUtf8(appId);
}
void stateChanged(void* data, org_kde_plasma_window*, std::uint32_t flags)
{
    static_cast<Window*>(data)->active = (flags & activeState) != 0;
}
void unmapped(void* data, org_kde_plasma_window*)
{
    static_cast<Window*>(data)->unmapped = true;
}
void ignoreString(void*, org_kde_plasma_window*, const char*) {}
void ignoreInt(void*, org_kde_plasma_window*, std::int32_t) {}
void ignoreUint(void*, org_kde_plasma_window*, std::uint32_t) {}
void ignore(void*, org_kde_plasma_window*) {}
void ignoreParent(void*, org_kde_plasma_window*, org_kde_plasma_window*) {}
void ignoreGeometry(void*, org_kde_plasma_window*, std::int32_t, std::int32_t, std::uint32_t,
                    std::uint32_t)
{}
void ignoreMenu(void*, org_kde_plasma_window*, const char*, const char*) {}

const org_kde_plasma_window_listener windowListener = {
    ignoreString, appIdChanged, stateChanged,   ignoreInt,    ignoreString, unmapped,
    ignore,       ignoreParent, ignoreGeometry, ignore,       ignoreUint,   ignoreString,
    ignoreString, ignoreMenu,   ignoreString,   ignoreString, ignoreString};

void follow(WindowList* list, org_kde_plasma_window* proxy)
{
    auto window = std::make_shared<Window>();
    window->proxy = proxy;
    org_kde_plasma_window_add_listener(proxy, &windowListener, window.get());
    list->windows.append(window);
}

void windowMapped(void* data, org_kde_plasma_window_management* manager, std::uint32_t id)
{
    auto* list = static_cast<WindowList*>(data);
    if (list->version < uuidVersion)
        follow(list, org_kde_plasma_window_management_get_window(manager, id));
}
void windowWithUuid(void* data, org_kde_plasma_window_management* manager, std::uint32_t,
                    const char* uuid)
{
    follow(static_cast<WindowList*>(data),
           org_kde_plasma_window_management_get_window_by_uuid(manager, uuid));
}
void ignoreShowDesktop(void*, org_kde_plasma_window_management*, std::uint32_t) {}
void ignoreOrder(void*, org_kde_plasma_window_management*, wl_array*) {}
void ignoreUuidOrder(void*, org_kde_plasma_window_management*, const char*) {}

const org_kde_plasma_window_management_listener managerListener = {
    ignoreShowDesktop, windowMapped, ignoreOrder, ignoreUuidOrder, windowWithUuid};

void announce(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version)
{
    auto* list = static_cast<WindowList*>(data);
    if (list->manager ||
        std::strcmp(interface, org_kde_plasma_window_management_interface.name) != 0)
        return;
    list->version = std::min(version, knownVersion);
    list->manager = static_cast<org_kde_plasma_window_management*>(wl_registry_bind(
        registry, name, &org_kde_plasma_window_management_interface, list->version));
    org_kde_plasma_window_management_add_listener(list->manager, &managerListener, list);
}
void withdraw(void*, wl_registry*, std::uint32_t) {}

bool focusElsewhere(const WindowList& list)
{
    return std::ranges::any_of(list.windows, [](const std::shared_ptr<Window>& window) {
        return window->active && !window->unmapped && !isLauncher(window->appId);
    });
}

} // namespace

LauncherFocus::Outcome LauncherFocus::awaitOtherWindow(std::chrono::milliseconds wait)
{
    const QDeadlineTimer deadline(wait);
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return Outcome::Unknown;
    WindowList list;
    static const wl_registry_listener registryListener = {announce, withdraw};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &list);
    // The globals, then the windows, then what each is.
    bool failed = wl_display_roundtrip(display) < 0;
    Outcome outcome = Outcome::Unknown;
    if (!failed && list.manager) {
        failed = wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0;
        outcome = Outcome::Launcher;
        while (!failed && !focusElsewhere(list) && !deadline.hasExpired()) {
            pollfd events = {wl_display_get_fd(display), POLLIN, 0};
            wl_display_flush(display);
            const int ready = poll(&events, 1, static_cast<int>(deadline.remainingTime()));
            failed = ready < 0 || (ready > 0 && wl_display_dispatch(display) < 0);
        }
        if (!failed && focusElsewhere(list))
            outcome = Outcome::Elsewhere;
    }
    for (const std::shared_ptr<Window>& window : std::as_const(list.windows)) {
        if (list.version >= destructorVersion)
            org_kde_plasma_window_destroy(window->proxy);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(window->proxy));
    }
    if (list.manager)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(list.manager));
    wl_registry_destroy(registry);
    wl_display_flush(display);
    wl_display_disconnect(display);
    return failed ? Outcome::Unknown : outcome;
}
