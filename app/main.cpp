#include "AppIcons.h"
#include "InstallLayout.h"
#include "ModZunoSmiley.h"
#include "ZunoVersion.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    QApplication::setApplicationVersion(QStringLiteral(ZUNO_VERSION_TEXT));
    // The desktop entry's id: a Wayland compositor matches the window to the
    // entry and its icon by it.
    QGuiApplication::setDesktopFileName(QLatin1String(InstallLayout::DesktopApplicationId));
    QApplication::setWindowIcon(AppIcons::program());

    ModZunoSmiley mod(QCoreApplication::applicationFilePath());
    mod.watchForTermination();
    mod.Main();
    return app.exec();
}
