#include "desktop/typing/wayland/WaylandConnection.h"

#include <QThread>

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace {

// The seat's requests and events typing uses are all there by version 4.
constexpr std::uint32_t seatVersion = 4;
// Compositors announce a new keyboard at once, KWin a turn later at most.
constexpr int keyboardTurns = 3;
// No request tells when another client has taken the seat's new keyboard;
// the focused one is given this long for it.
constexpr unsigned long bindingMilliseconds = 300;

} // namespace

WaylandConnection::WaylandConnection(const wl_interface& global, std::uint32_t version)
    : m_display(wl_display_connect(nullptr))
    , m_globalInterface(global)
    , m_globalVersion(version)
{
    if (!m_display)
        return;
    static const wl_registry_listener registryListener = {announce, withdraw};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The first round trip brings the globals, the second the seat's
    // capabilities.
    m_open = roundTrip() && m_seat && m_global && roundTrip();
}

WaylandConnection::~WaylandConnection()
{
    if (!m_display)
        return;
    std::for_each(m_atEnd.crbegin(), m_atEnd.crend(), [](const auto& destroy) { destroy(); });
    // Neither global has a destructor request.
    if (m_global)
        wl_proxy_destroy(static_cast<wl_proxy*>(m_global));
    if (m_seat)
        wl_seat_destroy(m_seat);
    wl_registry_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

bool WaylandConnection::roundTrip()
{
    return wl_display_roundtrip(m_display) >= 0;
}

bool WaylandConnection::awaitKeyboard()
{
    for (int turn = 0; turn < keyboardTurns && !m_seatHasKeyboard; ++turn)
        if (!roundTrip())
            return false;
    QThread::msleep(bindingMilliseconds);
    return true;
}

void WaylandConnection::destroyAtEnd(std::function<void()> destroy)
{
    m_atEnd.append(std::move(destroy));
}

void WaylandConnection::announce(void* data, wl_registry* registry, std::uint32_t name,
                                 const char* interface, std::uint32_t version)
{
    auto* connection = static_cast<WaylandConnection*>(data);
    connection->m_announced.append(interface);
    if (!connection->m_seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        static const wl_seat_listener seatListener = {seatCapabilities, seatName};
        connection->m_seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, seatVersion)));
        wl_seat_add_listener(connection->m_seat, &seatListener, connection);
    } else if (!connection->m_global && version >= connection->m_globalVersion &&
               std::strcmp(interface, connection->m_globalInterface.name) == 0)
        connection->m_global = wl_registry_bind(registry, name, &connection->m_globalInterface,
                                                connection->m_globalVersion);
}

void WaylandConnection::withdraw(void*, wl_registry*, std::uint32_t) {}

void WaylandConnection::seatCapabilities(void* data, wl_seat*, std::uint32_t capabilities)
{
    static_cast<WaylandConnection*>(data)->m_seatHasKeyboard =
        (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
}

void WaylandConnection::seatName(void*, wl_seat*, const char*) {}
