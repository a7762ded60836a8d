#pragma once

#include <QString>
#include <QtGlobal>

// The window that has the keyboard focus on an X11 desktop, remembered before
// the catalogue comes to the front and activated again when it steps aside.
// Each call opens a display connection of its own, so the program's toolkit
// connection is left alone. Nothing is remembered in a Wayland session, where
// the compositor alone knows the focused window and gives it back by itself.
class ActiveWindow
{
public:
    ActiveWindow() = default;

    // The window the window manager calls active (_NET_ACTIVE_WINDOW), or the
    // one with the input focus where no window manager says; null when there
    // is none or no X display.
    static ActiveWindow current();
    // A window known by its X window id, such as one of the program's own.
    static ActiveWindow ofWindow(quint64 windowId) { return ActiveWindow(windowId); }

    bool isNull() const { return m_window == 0; }
    // The X window id, to compare with the program's own windows.
    quint64 windowId() const { return m_window; }

    // The class part of the window's WM_CLASS (the program's, as "krunner"),
    // empty when it has none, is gone or there is no X display.
    QString windowClass() const;

    // Asks the window manager to activate the window (as a pager does), or
    // gives it the input focus directly where no window manager runs, and
    // waits until it has the focus: false when it is gone, cannot take the
    // focus or did not get it within a second.
    bool activate() const;

private:
    explicit ActiveWindow(quint64 window)
        : m_window(window)
    {}

    quint64 m_window = 0;
};
