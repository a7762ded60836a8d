#include "app/module/WindowModule.h"
#include "app/ModZunoSmiley.h"
#include "app/PickShortcut.h"
#include "app/assets/AppIcons.h"
#include "app/cli/CommandLine.h"
#include "app/flows/MenuInsert.h"
#include "app/frmMain.h"
#include "base/InstallLayout.h"
#include "base/TerminationWatcher.h"
#include "base/ZunoVersion.h"
#include "desktop/ActiveWindow.h"
#include "desktop/ClipboardHandover.h"
#include "desktop/EarlyHandOver.h"
#include "desktop/FontConfigWarmUp.h"
#include "desktop/SingleInstance.h"
#include "desktop/WaylandTeardown.h"
#include "desktop/WindowActivation.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTimer>

#include <thread>
#include <type_traits>

namespace {

int exitStatus = 0;

// How long the window waits for more hand-overs before it imports.
constexpr int HandOverGatherMs = 150;

} // namespace

// The window's main(): the program has read its command line and found no
// listing.
extern "C" Q_DECL_EXPORT int zunoSmileyWindowMain(int& argc, char** argv, const CommandLine& line)
{
    static_assert(std::is_same_v<decltype(&zunoSmileyWindowMain), WindowModule::Main>);
    if (line.insert)
        return MenuInsert::run(argc, argv);

    // Before the application object, which takes it out of the environment on X11.
    const QString startupToken = SingleInstance::startupToken();
    // A running window takes the command line over the bus alone: a later
    // start ends before it builds anything of its own (display, fonts).
    const EarlyHandOver::Outcome early =
        EarlyHandOver::handOver(line.files, line.pick, startupToken, line.search);
    if (early == EarlyHandOver::Outcome::HandedOver)
        return 0;
    // The font configuration loads on another core meanwhile.
    FontConfigWarmUp fonts;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    QApplication::setApplicationVersion(QStringLiteral(ZUNO_VERSION_TEXT));
    QGuiApplication::setDesktopFileName(QLatin1String(InstallLayout::DesktopApplicationId));
    // Everything saved and handed over by then, the process ends before
    // the display's teardown.
    if (WaylandTeardown::applies())
        qAddPostRoutine([] { WaylandTeardown::endProcess(exitStatus); });
    QApplication::setWindowIcon(AppIcons::program());

    // The session bus answers while the window's font is looked up and the
    // window built: both are waits of every start, and neither needs the other.
    SingleInstance instance;
    SingleInstance::Role role = SingleInstance::Role::Alone;
    // A holder that did not answer the early hand-over is not asked again.
    std::thread claim([&] {
        if (early == EarlyHandOver::Outcome::NoHolder)
            role = instance.start(line.files, line.pick, startupToken, line.search);
    });
    fonts.wait();
    static_cast<void>(QFontMetrics(QApplication::font()).height());
    const auto ownsWindow = [&claim, &role] {
        if (claim.joinable())
            claim.join();
        return role != SingleInstance::Role::HandedOver;
    };
    ModZunoSmiley mod(QCoreApplication::applicationFilePath());
    mod.watchForTermination();
    // A window closed while hidden (stepped aside after a pick), or with a
    // notice of its own still shown, is no last window closed: a request to
    // end ends the program once the window has unloaded, whatever is shown.
    if (auto* watcher = app.findChild<TerminationWatcher*>())
        QObject::connect(
            watcher, &TerminationWatcher::terminationRequested, &app,
            [&mod] {
                if (!mod.MainWindow)
                    QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    // Shown only by the process that runs the window, which alone copies or
    // tells anything while it loads.
    mod.setOwnsWindow(ownsWindow);
    mod.LoadMainWindow();
    if (!ownsWindow())
        return 0;

    // The window the user was typing in, before the catalogue comes up.
    const ActiveWindow cameFrom = line.pick ? ActiveWindow::current() : ActiveWindow();
    mod.ShowMainWindow();
    if (mod.MainWindow) {
        mod.MainWindow->importListFiles(line.files);
        if (line.pick || !line.search.isEmpty())
            mod.MainWindow->pick(cameFrom, line.search);
        else // not over a pick; from the event loop, which then answers hand-overs
            QTimer::singleShot(0, mod.MainWindow, [&mod] {
                if (mod.MainWindow)
                    mod.MainWindow->offerRecoveredEntries();
            });
    }
    // A closed window hands the name on at once: a start while this process
    // ends (its stores finishing their writes) opens a window of its own.
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &instance, &SingleInstance::release);
    // Hand-overs that come together (one long command line in several calls,
    // or several starts at once) give one import and one report.
    QStringList handedFiles;
    QTimer gather;
    gather.setSingleShot(true);
    gather.setInterval(HandOverGatherMs);
    const auto importHanded = [&mod, &handedFiles, &gather] {
        gather.stop();
        if (frmMain* window = mod.MainWindow; window && !handedFiles.isEmpty())
            window->importListFiles(handedFiles);
        handedFiles.clear();
    };
    QObject::connect(&gather, &QTimer::timeout, &app, importHanded);
    QObject::connect(&instance, &SingleInstance::commandLineReceived, &app,
                     [&mod, &handedFiles, &gather, importHanded](const QStringList& files,
                                                                 bool pick, const QString& token) {
                         frmMain* window = mod.MainWindow;
                         if (!window)
                             return;
                         const ActiveWindow typingIn =
                             pick ? ActiveWindow::current() : ActiveWindow();
                         WindowActivation::bringForward(window->windowHandle(), token);
                         if (!files.isEmpty()) {
                             handedFiles << files;
                             gather.start();
                         }
                         // The report comes before the pick, not over its filter.
                         if (pick) {
                             importHanded();
                             window->pick(typingIn);
                         }
                     });
    // The desktop's own key for the pick, where its portal binds one: a
    // press picks as a later start's --pick does.
    PickShortcut pickKey;
    QObject::connect(&pickKey, &PickShortcut::pressed, &app,
                     [&mod, importHanded](const QString& token) {
                         if (frmMain* window = mod.MainWindow) {
                             const ActiveWindow typingIn = ActiveWindow::current();
                             WindowActivation::bringForward(window->windowHandle(), token);
                             importHanded();
                             window->pick(typingIn);
                         }
                     });
    QTimer::singleShot(0, &pickKey, &PickShortcut::bind);
    QObject::connect(&instance, &SingleInstance::searchReceived, &app,
                     [&mod](const QString& terms, const QString& token) {
                         if (frmMain* window = mod.MainWindow) {
                             WindowActivation::bringForward(window->windowHandle(), token);
                             window->pick(ActiveWindow(), terms);
                         }
                     });
    const int status = app.exec();
    // The window has closed and everything is saved: what the program put on
    // the clipboard stays there once it has ended.
    ClipboardHandover::handOver();
    exitStatus = status;
    return status;
}
