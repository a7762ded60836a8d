// Stands in for the catalogue at its close: with --copy TEXT it first puts
// TEXT on the clipboard as Copy does, then it ends as the program does after
// its window closed, handing the clipboard over. Prints "kept" or "not kept".
// With --keeper-for FOLDER it prints the keeper that the programs in FOLDER
// start, and nothing else.
#include "desktop/ClipboardHandover.h"

#include <QClipboard>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--keeper-for") == 0) {
        std::puts(qPrintable(ClipboardHandover::keeperProgram(QString::fromLocal8Bit(argv[2]))));
        return 0;
    }
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype copy = arguments.indexOf(QStringLiteral("--copy"));
    if (copy > 0 && copy + 1 < arguments.size())
        QGuiApplication::clipboard()->setText(arguments.at(copy + 1));
    const bool kept = ClipboardHandover::handOver();
    std::puts(kept ? "kept" : "not kept");
    return 0;
}
