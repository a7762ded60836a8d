// zuno-insert-text --copy TEXT | --type TEXT: what the search service, which
// has no display connection, asks of the desktop. --copy puts the text on the
// clipboard and leaves it with the clipboard keeper, so that it stays there
// after this process ends. --type types it into the window that has the
// focus once the launcher has stepped aside, or copies it where this desktop
// offers no typing.
#include "ActiveWindow.h"
#include "ClipboardHandover.h"
#include "EntryDelivery.h"
#include "KeystrokeTyper.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>

#include <cstdio>

namespace {

// The launcher hides its window as it runs a match; the focus goes back to
// the window the user typed in. Waits until it has moved, a second at most
// (an X11 desktop tells; elsewhere the compositor gives it back by itself).
void waitForTheLauncherToStepAside()
{
    const ActiveWindow launcher = ActiveWindow::current();
    if (launcher.isNull())
        return;
    const QDeadlineTimer deadline(1000);
    while (!deadline.hasExpired() && ActiveWindow::current().windowId() == launcher.windowId())
        QThread::msleep(20);
}

} // namespace

int main(int argc, char* argv[])
{
    // Not a client of the session manager: nothing to save or restore.
    qunsetenv("SESSION_MANAGER");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);
    const QString text = arguments.value(2);
    if (arguments.size() != 3 || text.isEmpty() ||
        (mode != QLatin1String("--copy") && mode != QLatin1String("--type"))) {
        std::fprintf(stderr, "Usage: zuno-insert-text --copy TEXT | --type TEXT\n");
        return 2;
    }
    if (mode == QLatin1String("--type")) {
        waitForTheLauncherToStepAside();
        if (KeystrokeTyper::type(text) == KeystrokeTyper::Outcome::Typed)
            return 0;
        // Where nothing could be typed the text is pasted: the desktop's
        // clipboard history keeps it on any platform.
        if (EntryDelivery::toClipboardHistory(text))
            return 0;
    }
    QGuiApplication::clipboard()->setText(text);
    return ClipboardHandover::handOver() ? 0 : 1;
}
