// ovregsvr: registers libraries in a class registry store, or removes their
// registration, by calling the library's own entry point.
//
//   ovregsvr [-u] [--store FILE] [--root DIR] [--quiet] LIBRARY...
//
// Without --store the user's own store is written. With --root the libraries
// are named by the path they will have once installed: each is loaded from
// DIR followed by that path, and that path is what the store records (an
// install step registers below DESTDIR this way). The libraries stay loaded
// until the end, so a library that needs another one named before it finds it.
// Exit codes: 0 every library done, 1 a library failed, 2 wrong usage.

#include "ConsoleStreams.h"
#include "compat/registry/ClassRegistry.h"
#include "compat/registry/ComponentLoader.h"
#include "compat/registry/ComponentServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <list>

namespace {

struct Options
{
    bool unregister = false;
    bool quiet = false;
    QString store;
    QString root;
};

// After an unregistration: the classes of the library that a client beside
// this program still finds in another store, such as a build tree's or the
// installation's, so that nobody takes them for gone.
void reportStillRegistered(QLibrary& library, const QString& written)
{
    const auto classObject = reinterpret_cast<ServerEntryPoints::ClassObjectFunction>(
        library.resolve(ServerEntryPoints::ClassObject));
    if (!classObject)
        return;
    for (const QString& location : ComponentLoader::storeLocations()) {
        if (QFileInfo(location) == QFileInfo(written))
            continue;
        ClassRegistry store(location);
        QStringList ids;
        if (store.subkeys(QStringLiteral("CLSID"), &ids) != ClassRegistry::Status::Success)
            continue;
        for (const QString& id : std::as_const(ids)) {
            QString progId;
            if (classObject(id.toLatin1().constData()) &&
                store.queryDefaultValue(QStringLiteral("CLSID\\%1\\ProgID").arg(id), 1024,
                                        &progId) == ClassRegistry::Status::Success)
                out() << progId << " is still registered in " << location
                      << ", which clients read too" << Qt::endl;
        }
    }
}

// Registers or unregisters one library; answers whether it worked.
bool process(const QString& named, const Options& options, std::list<QLibrary>* loaded)
{
    const QString recorded = QFileInfo(named).absoluteFilePath();
    const QString file =
        options.root.isEmpty() ? recorded : QDir::cleanPath(options.root + recorded);
    if (!QFileInfo(file).isFile()) {
        err() << "ovregsvr: " << file << ": no such file" << Qt::endl;
        return false;
    }
    QLibrary& library = loaded->emplace_back(file);
    if (!library.load()) {
        err() << "ovregsvr: " << file
              << " is not a library that can be loaded: " << library.errorString() << Qt::endl;
        return false;
    }
    const char* entry =
        options.unregister ? ServerEntryPoints::Unregister : ServerEntryPoints::Register;
    const QFunctionPointer function = library.resolve(entry);
    if (!function) {
        err() << "ovregsvr: " << file << " is not a self-registering library (it has no " << entry
              << ')' << Qt::endl;
        return false;
    }
    const QByteArray store = QFile::encodeName(options.store);
    const QByteArray path = QFile::encodeName(recorded);
    const int status =
        options.unregister
            ? reinterpret_cast<ServerEntryPoints::UnregisterFunction>(function)(store.constData())
            : reinterpret_cast<ServerEntryPoints::RegisterFunction>(function)(store.constData(),
                                                                              path.constData());
    if (status != 0) {
        err() << "ovregsvr: " << file << ": the class registry store " << options.store
              << " cannot be " << (options.unregister ? "changed" : "written")
              << " (damaged, not a store, or its folder is not writable)" << Qt::endl;
        return false;
    }
    if (!options.quiet) {
        out() << (options.unregister ? "unregistered " : "registered ") << recorded << " in "
              << options.store << Qt::endl;
        if (options.unregister)
            reportStillRegistered(library, options.store);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Registers libraries in a class registry store, or unregisters them."));
    parser.addHelpOption();
    const QCommandLineOption unregisterOption(
        QStringList{QStringLiteral("u"), QStringLiteral("unregister")},
        QStringLiteral("Remove the registration."));
    const QCommandLineOption storeOption(
        QStringLiteral("store"), QStringLiteral("The store to write (default: your own store)."),
        QStringLiteral("FILE"));
    const QCommandLineOption rootOption(
        QStringLiteral("root"),
        QStringLiteral("Load each LIBRARY from below DIR and record LIBRARY itself."),
        QStringLiteral("DIR"));
    const QCommandLineOption quietOption(QStringList{QStringLiteral("q"), QStringLiteral("quiet")},
                                         QStringLiteral("Report failures only."));
    parser.addOptions({unregisterOption, storeOption, rootOption, quietOption});
    parser.addPositionalArgument(QStringLiteral("LIBRARY"),
                                 QStringLiteral("Libraries to register."),
                                 QStringLiteral("LIBRARY..."));
    if (!parser.parse(app.arguments())) {
        err() << "ovregsvr: " << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    const QStringList libraries = parser.positionalArguments();
    if (libraries.isEmpty()) {
        err() << parser.helpText();
        return 2;
    }

    Options options;
    options.unregister = parser.isSet(unregisterOption);
    options.quiet = parser.isSet(quietOption);
    options.store = parser.isSet(storeOption)
                        ? QFileInfo(parser.value(storeOption)).absoluteFilePath()
                        : ClassRegistry::defaultLocation();
    options.root = parser.value(rootOption);
    if (options.store.isEmpty()) {
        err() << "ovregsvr: no folder for your class registry store (is HOME set?)" << Qt::endl;
        return 2;
    }
    std::list<QLibrary> loaded;
    bool allDone = true;
    for (const QString& library : libraries)
        allDone = process(library, options, &loaded) && allDone;
    return allDone ? 0 : 1;
}
