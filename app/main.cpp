#include "AppIcons.h"
#include "ModZunoSmiley.h"
#include "ZunoVersion.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    QApplication::setApplicationVersion(QStringLiteral(ZUNO_VERSION_TEXT));
    QApplication::setWindowIcon(AppIcons::program());

    ModZunoSmiley mod(QCoreApplication::applicationFilePath());
    mod.watchForTermination();
    mod.Main();
    return app.exec();
}
