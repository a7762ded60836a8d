// zuno-search-service: the catalogue's entries for the desktop's search hosts
// (the launcher's runners and the overview's search providers). Started by
// the session bus on the first request through its service file; ends after
// a minute without one. Qt Core and the bus only: no display connection.
#include "base/ListFolder.h"
#include "base/TerminationWatcher.h"
#include "search/MemoryAdvice.h"
#include "service/EntryDelivery.h"
#include "service/OverviewBus.h"
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
    // The request that starts the service waits while it fills tens of MiB
    // (the entries, their indexes, the stores' tables: some 110 MiB with
    // 100,000 entries a file, read from the files): a fault for each small
    // page cost that answer a third of its time.
    MemoryAdvice::heapOfLargePages(192 * 1024 * 1024);
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
    // The overview's provider on a connection of its own, made meanwhile.
    ShellSearchProvider provider(service);
    OverviewBus overview(provider);
    // Everything is read before the names are taken: the bus holds the first
    // request until then, and answers it from the whole catalogue. The bus
    // connection is made meanwhile, on a thread of its own.
    std::optional<QDBusConnection> connected;
    std::thread connecting([&connected] { connected = QDBusConnection::sessionBus(); });
    service.load();
    connecting.join();

    QDBusConnection bus = *connected;
    RunnerEndpoint::registerTypes();
    RunnerEndpoint runner(service);
    bus.registerObject(QLatin1String(RunnerEndpoint::ObjectPath), &runner,
                       QDBusConnection::ExportAllSlots);
    // Each name another instance holds already is that one's to serve (two
    // started at once may share them); with neither, this one is not needed.
    const bool runs = bus.isConnected() && bus.registerService(QLatin1String(BusName));
    const bool overviews = overview.claim();
    if (!runs && !overviews) {
        std::fprintf(stderr, "zuno-search-service: %s and %s are taken (or no session bus).\n",
                     BusName, OverviewBus::BusName);
        return 1;
    }
    return app.exec();
}
