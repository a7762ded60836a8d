#pragma once

#include <QHash>
#include <QString>
#include <QTemporaryDir>

#include <functional>

// A headless sway of the benchmark's own and what it says of its windows:
// it starts the compositor (headless backend, software rendering, one
// 1024x768 output, no Xwayland; as the user nobody when run as root, since
// sway refuses root) and follows its window events on the IPC socket, as
// `swaymsg -t subscribe` does: when a program's window is mapped, takes the
// keyboard focus and is closed, keyed by the program's process id. Times are
// CLOCK_MONOTONIC nanoseconds (X11Observer::now()), taken as each event is
// read. The compositor ends with the object.
class SwayObserver
{
public:
    SwayObserver();
    ~SwayObserver();
    SwayObserver(const SwayObserver&) = delete;
    SwayObserver& operator=(const SwayObserver&) = delete;

    // False when the compositor did not start; why() says why.
    bool isValid() const { return m_valid; }
    QString why() const { return m_why; }
    // The compositor's socket by its full path, for WAYLAND_DISPLAY.
    QString socket() const { return m_socket; }
    // The compositor's process id.
    qint64 pid() const { return m_pid; }

    // Reads the compositor's events until done() holds or the deadline
    // passes; answers whether done() held. alive() is asked between reads.
    bool waitUntil(const std::function<bool()>& done, qint64 deadline,
                   const std::function<bool()>& alive);

    struct Window
    {
        qint64 mapped = 0;  // the first map since reset()
        qint64 focused = 0; // the first keyboard focus since reset()
        qint64 closed = 0;  // the first unmap since reset() (hidden or closed)
    };
    // The window of the process pid as seen since reset().
    Window window(qint64 pid) const { return m_windows.value(pid); }
    // Forgets every window's times, e.g. before one is brought up again.
    void reset() { m_windows.clear(); }

private:
    bool start();
    void readEvents();

    QTemporaryDir m_folder;
    qint64 m_pid = 0;
    bool m_valid = false;
    QString m_why;
    QString m_socket;
    int m_ipc = -1; // the IPC socket (Qt Network is not among the build's modules)
    QByteArray m_pending;
    QHash<qint64, Window> m_windows;
};
