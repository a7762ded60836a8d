// zuno-clipboard-keeper: keeps the text the catalogue copied on the clipboard
// after the catalogue's window has closed, until another program puts
// something there. The catalogue starts it in a session of its own and writes
// the text on its standard input; the platform is the catalogue's
// (QT_QPA_PLATFORM). It tells its starter on standard output whether the text
// is safe (StarterReport).
#include "base/DetachedHelper.h"
#include "keeper/ClipboardKeeper.h"
#include "keeper/ClipboardManagerProbe.h"
#include "keeper/StarterReport.h"
#include "keeper/WaylandCopier.h"

#include <QGuiApplication>

#include <csignal>

int main(int argc, char* argv[])
{
    // The starter may be gone before the report; that must not end the keeper.
    std::signal(SIGPIPE, SIG_IGN);
    const std::optional<QByteArray> text = DetachedHelper::readInput();
    if (!text || text->isEmpty())
        return 1;

    // On Wayland no window-less Qt client can own the selection.
    if (qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("wayland"))) {
        if (!WaylandCopier::copy(*text))
            return 1;
        StarterReport::tell(StarterReport::Kept);
        return 0;
    }

    // Not a client of the session manager: nothing to save or restore, and
    // the end of the session must not wait for it.
    qunsetenv("SESSION_MANAGER");
    QGuiApplication app(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (ClipboardManagerProbe::managerRuns()) {
        // The starter's own end hands the clipboard over to the manager.
        StarterReport::tell(StarterReport::Manager);
        return 0;
    }
    ClipboardKeeper keeper;
    if (!keeper.keep(QString::fromUtf8(*text)))
        return 1;
    StarterReport::tell(StarterReport::Kept);
    // Ends when another program owns the clipboard; a lost connection to the
    // display (the session's end) ends the process in the platform plugin.
    return app.exec();
}
