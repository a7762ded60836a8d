#include "desktop/WindowActivation.h"

#include <QGuiApplication>
#include <QWindow>

void WindowActivation::bringForward(QWindow* window, const QString& token)
{
    if (!window)
        return;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // Qt's Wayland client activates with the token in the environment
        // at the next activation request (the show's or ours), and takes
        // it out of the environment then: one use, as the protocol wants.
        if (!token.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        // Hidden, the show maps it anew; shown behind another window, it
        // is unmapped first (a widget's window follows its widget).
        if (window->isVisible() && !window->isActive())
            window->hide();
    }
    window->showNormal();
    window->raise();
    window->requestActivate();
}
