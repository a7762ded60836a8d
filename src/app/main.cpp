#include "app/cli/CommandLine.h"
#include "app/cli/MenuCommands.h"
#include "app/module/WindowModule.h"
#include "base/InstallLayout.h"
#include "base/NativePath.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

namespace {

// The window's module: with the private libraries of an installation, beside
// the program elsewhere (the build tree, a copy with its libraries).
QString windowModulePath()
{
    // No application object yet: the program's file as the system has it.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return InstallLayout::privateLibrary(QFileInfo(program).absolutePath(),
                                         QLatin1String(WindowModule::FileName));
}

} // namespace

// Qt Core alone: the command line, --help, --version and --list; the window's
// module for everything else, loaded only then.
int main(int argc, char* argv[])
{
    // Before the application object, so that --help and --version need no display.
    // A file name that is not valid UTF-8 keeps its bytes (NativePath).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << NativePath::decode(argv[i]);
    const CommandLine line = CommandLine::parse(arguments, QDir::currentPath());
    if (line.exitCode) {
        line.printOutput();
        return *line.exitCode;
    }
    // A menu program's listing: no window, nothing handed to a running one.
    if (line.list)
        MenuCommands::list(argc, argv);

    const QString path = windowModulePath();
    QLibrary module(path);
    const auto windowMain =
        module.load()
            ? reinterpret_cast<WindowModule::Main>(module.resolve(WindowModule::MainEntry))
            : nullptr;
    if (!windowMain) {
        // Where the file is missing, the loader's message names the last of
        // the variants of its name that it tried.
        MenuCommands::tell(QStringLiteral("the window's module cannot be loaded: %1")
                               .arg(QFileInfo::exists(path)
                                        ? module.errorString()
                                        : path + QStringLiteral(" is missing")));
        return 1;
    }
    // Never unloaded: the window's objects and Qt's plugins live until the end.
    return windowMain(argc, argv, line);
}
