#pragma once

#include <QtGlobal>

#include <functional>

struct xcb_connection_t;

// What the benchmark sees of a program's windows on the X display, as a
// person would: when a top-level window first shows painted content, when
// the painting after an input has settled, and when the window is gone. It
// watches the windows made on the root window through the DAMAGE extension
// (every drawing into a window is reported) and types and clicks through
// XTEST. Times are CLOCK_MONOTONIC nanoseconds. Only the core xcb library is
// linked; the two extensions' few requests are sent by hand.
class X11Observer
{
public:
    X11Observer();
    ~X11Observer();
    X11Observer(const X11Observer&) = delete;
    X11Observer& operator=(const X11Observer&) = delete;

    // False without a display or without the two extensions; why() says which.
    bool isValid() const { return m_valid; }
    const char* why() const { return m_why; }

    static qint64 now();

    // Forgets the windows seen so far: a new program is about to start.
    void reset();

    // Turns the X events until done() holds or the deadline passes; answers
    // whether done() held. alive() is asked between turns; the wait ends
    // when it answers false.
    bool waitUntil(const std::function<bool()>& done, qint64 deadline,
                   const std::function<bool()>& alive);

    // The first drawing into a mapped top-level window; 0 before.
    qint64 firstPaint() const { return m_firstPaint; }
    // The latest drawing into a mapped window; 0 before.
    qint64 lastPaint() const { return m_lastPaint; }
    // When the window that was painted first was unmapped or destroyed; 0 while shown.
    qint64 gone() const { return m_gone; }

    // Whether a window manager runs (it says so on the root window); its
    // own windows (frames, panels) are then never taken for a program's.
    bool windowManagerRuns();
    // The mapped top-level window of the process pid (by its _NET_WM_PID),
    // or 0; the one whose map, focus and painting followed() reports.
    quint32 follow(qint64 pid);
    struct Followed
    {
        qint64 mapped = 0;         // the latest map
        qint64 unmapped = 0;       // the latest unmap (minimized, hidden)
        qint64 focused = 0;        // the latest input focus into it
        qint64 paintedFocused = 0; // the first drawing into it with the focus in it
    };
    // Forgets the followed window's times, e.g. before it is brought up again.
    void resetFollowed() { m_followed = {}; }
    const Followed& followed() const { return m_followed; }
    // Asks the window manager to minimize the followed window, as its
    // title bar's button does.
    void minimizeFollowed();

    // Input through XTEST, in coordinates of the window painted first.
    void click(int x, int y);
    void movePointer(int x, int y);
    // A key by its keysym, with Control held when control is true.
    void key(quint32 keysym, bool control = false);

private:
    void handle(void* event);
    void fakeInput(quint8 type, quint8 detail, int rootX = 0, int rootY = 0);
    quint8 keycode(quint32 keysym) const;
    void flush();
    bool isWindowManagers(quint32 window) const;
    quint32 atom(const char* name) const;

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    bool m_valid = false;
    const char* m_why = "";
    quint8 m_damageEvent = 0;
    quint32 m_window = 0; // the window painted first
    qint64 m_firstPaint = 0;
    qint64 m_lastPaint = 0;
    qint64 m_gone = 0;
    struct Mapped;
    Mapped* m_mapped = nullptr;
    quint32 m_windowManagerIds = 0; // the resource id base of the window manager's windows
    quint32 m_follow = 0;
    bool m_focusIn = false;
    Followed m_followed;
};
