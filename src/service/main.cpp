// zuno-search-service: the catalogue's entries for the desktop's search hosts
// (the launcher's runners and the overview's search providers). Started by
// the session bus on the first request through its service file; ends after
// a minute without one. Qt Core and the bus only: no display connection.
#include "base/ListFolder.h"
#include "base/TerminationWatcher.h"
#include "service/EntryDelivery.h"
#include "service/RunnerEndpoint.h"
#include "service/SearchService.h"
#include "service/ShellSearchProvider.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>

#include <cstdio>
#include <optional>
#include <thread>

namespace {
constexpr char BusName[] = "example.orvak.ZunoSmiley.Search";
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The catalogue's name: the per-user data folder is the window's.
    QCoreApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    // The end of the session ends the service as its idle time does: the
    // uses not written yet are written.
    TerminationWatcher termination;
    QObject::connect(&termination, &TerminationWatcher::terminationRequested, &app,
                     &QCoreApplication::quit);

    const EntryDelivery::Programs programs =
        EntryDelivery::find(QCoreApplication::applicationDirPath());
    const QString programFolder = QFileInfo(programs.catalogue).absolutePath();
    SearchService service(ListFolder::choose(programFolder, ListFolder::userDataFolder()),
                          programs);
    // Everything is read before the name is taken: the bus holds the first
    // request until then, and answers it from the whole catalogue. The bus
    // connection is made meanwhile, on a thread of its own.
    std::optional<QDBusConnection> connected;
    std::thread connecting([&connected] { connected = QDBusConnection::sessionBus(); });
    service.load();
    connecting.join();

    QDBusConnection bus = *connected;
    if (!bus.isConnected()) {
        std::fprintf(stderr, "zuno-search-service: no session bus.\n");
        return 1;
    }
    RunnerEndpoint::registerTypes();
    ShellSearchProvider::registerTypes();
    RunnerEndpoint runner(service);
    ShellSearchProvider provider(service);
    bus.registerObject(QLatin1String(RunnerEndpoint::ObjectPath), &runner,
                       QDBusConnection::ExportAllSlots);
    bus.registerObject(QLatin1String(ShellSearchProvider::ObjectPath), &provider,
                       QDBusConnection::ExportAllSlots);
    // Another instance serves already: this one is not needed.
    if (!bus.registerService(QLatin1String(BusName))) {
        std::fprintf(stderr, "zuno-search-service: %s is taken.\n", BusName);
        return 1;
    }
    return app.exec();
}
