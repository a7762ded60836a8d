#include "AppIcons.h"
#include "ClipboardHandover.h"
#include "CommandLine.h"
#include "InstallLayout.h"
#include "ModZunoSmiley.h"
#include "SingleInstance.h"
#include "ZunoVersion.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    // Before the application object, so that --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = CommandLine::parse(arguments, QDir::currentPath());
    if (line.exitCode) {
        line.printOutput();
        return *line.exitCode;
    }

    // Before the application object, which takes it out of the environment on X11.
    const QString startupToken = SingleInstance::startupToken();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    QApplication::setApplicationVersion(QStringLiteral(ZUNO_VERSION_TEXT));
    QGuiApplication::setDesktopFileName(QLatin1String(InstallLayout::DesktopApplicationId));
    QApplication::setWindowIcon(AppIcons::program());

    SingleInstance instance;
    if (instance.start(line.files, line.pick, startupToken) == SingleInstance::Role::HandedOver)
        return 0;

    ModZunoSmiley mod(QCoreApplication::applicationFilePath());
    mod.watchForTermination();
    mod.Main();
    if (mod.MainWindow)
        mod.MainWindow->importListFiles(line.files);
    // A closed window hands the name on at once: a start while this process
    // ends (its stores finishing their writes) opens a window of its own.
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &instance,
                     &SingleInstance::release);
    QObject::connect(&instance, &SingleInstance::commandLineReceived, &app,
                     [&mod](const QStringList& files, bool, const QString& token) {
                         frmMain* window = mod.MainWindow;
                         if (!window)
                             return;
                         if (!token.isEmpty())
                             qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
                         window->showNormal();
                         window->raise();
                         window->activateWindow();
                         window->importListFiles(files);
                     });
    const int status = app.exec();
    // The window has closed and everything is saved: what the program put on
    // the clipboard stays there once it has ended.
    ClipboardHandover::handOver();
    return status;
}
