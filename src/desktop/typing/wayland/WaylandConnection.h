#pragma once

#include <QByteArrayList>
#include <QList>

#include <cstdint>
#include <functional>

struct wl_display;
struct wl_interface;
struct wl_registry;
struct wl_seat;

// A typing backend's connection to the session's compositor: the first
// seat, whose capabilities it follows, and the one global the backend types
// through, bound at the version it needs. What is made on the connection is
// destroyed with it, the latest first, and the connection ends once the
// compositor has every request.
class WaylandConnection
{
public:
    // Connects, binds the seat and the global where the compositor offers it
    // at that version or later, and reads the seat's capabilities.
    WaylandConnection(const wl_interface& global, std::uint32_t version);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // False where there is no compositor, or it offers no seat or not the
    // global.
    bool isOpen() const { return m_open; }

    wl_display* display() const { return m_display; }
    wl_seat* seat() const { return m_seat; }
    template <typename Proxy> Proxy* global() const { return static_cast<Proxy*>(m_global); }
    // Whether the compositor announced a global of that interface to this
    // program, at any version; read once the connection is made.
    bool announced(const char* interface) const { return m_announced.contains(interface); }
    // As the compositor said at the last round trip.
    bool seatHasKeyboard() const { return m_seatHasKeyboard; }

    // Waits until the compositor has handled every request sent so far, and
    // takes in what it sent before its answer. False when the connection
    // has failed: a compositor that refuses a request ends it.
    bool roundTrip();

    // Waits, where the seat had no keyboard, until the device just made has
    // given it one: the compositor announces that to every client with the
    // answer to a round trip, and the focused client takes the keyboard when
    // it reads it, so keys sent before would reach no one. That client's
    // request cannot be seen from here, so it is given a while for it. False
    // when the connection has failed.
    bool awaitKeyboard();

    // Destroys an object made on the connection when the connection ends.
    void destroyAtEnd(std::function<void()> destroy);

private:
    static void announce(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t version);
    static void withdraw(void* data, wl_registry* registry, std::uint32_t name);
    static void seatCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities);
    static void seatName(void* data, wl_seat* seat, const char* name);

    wl_display* m_display;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    void* m_global = nullptr;
    const wl_interface& m_globalInterface;
    std::uint32_t m_globalVersion;
    bool m_seatHasKeyboard = false;
    bool m_open = false;
    QByteArrayList m_announced;
    QList<std::function<void()>> m_atEnd;
};
