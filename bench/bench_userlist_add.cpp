// Prints how long one Add blocks the catalogue window, beside the time the
// save of the list file takes, with 0, 1,000, 10,000, 100,000 and 300,000
// entries in the file, and the Add of the floor program (bench_floor's list:
// a hash lookup and an append) at the same sizes. The save runs off the window's thread; "blocked"
// is the longest the window's event loop could not turn from the Add until the file holds it and
// the window has taken the file back. A bare timer on an idle event loop is the
// reference for what the machine itself adds.
//
//   bench_userlist_add [RUNS]        median of RUNS Adds per size (default 5)
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise; its settings and lists
// live in a temporary folder.

#include "BenchEventLoop.h"
#include "BenchHome.h"
#include "BenchMedian.h"
#include "FloorList.h"
#include "app/ModZunoSmiley.h"
#include "app/frmMain.h"
#include "app/widgets/ListPage.h"
#include "lists/UserListStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>

namespace {

bool idle(frmMain* window)
{
    UserListStore* store = window->store(0);
    return !store->isBusy() && !store->hasPending();
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir home;
    useBenchHome(home);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    QList<double> idleTurns;
    for (int run = 0; run < runs; ++run)
        idleTurns << benchLongestTurn([] { return true; }, 300);
    std::printf("reference: longest turn of an idle event loop %.1f ms\n\n",
                benchMedian(idleTurns));
    std::printf("%-10s %12s %14s %12s %14s\n", "entries", "Add call ms", "blocked ms", "save ms",
                "floor Add ms");

    for (const int entries : {0, 1000, 10000, 100000, 300000}) {
        QTemporaryDir lists;
        writeBenchListFile(lists.filePath(QStringLiteral("Smileys.smy")), entries,
                           QStringLiteral("u"), QStringLiteral("Entrée numéro"));
        ModZunoSmiley mod(home.filePath(QStringLiteral("bin/ZunoSmiley")));
        mod.setListFolder(lists.path());
        mod.Main();
        frmMain* window = mod.MainWindow;
        benchLongestTurn([] { return true; }, 300);

        QList<double> calls, blocked, saves;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            window->page(0)->addUserEntry(QStringLiteral("(new%1)").arg(run),
                                          QStringLiteral("added by the benchmark"));
            const double call = timer.nsecsElapsed() / 1e6;
            double save = 0;
            // Until the file holds it, and then long enough for the window to
            // see its own write come back through the file watch.
            const double turn = benchLongestTurn(
                [&] {
                    if (!idle(window))
                        return false;
                    save = timer.nsecsElapsed() / 1e6;
                    return true;
                },
                500);
            calls << call;
            blocked << std::max(call, turn);
            saves << save;
        }
        // The floor's Add on the same file, into a shown sorted list.
        FloorList floor;
        floor.load(lists.filePath(QStringLiteral("Smileys.smy")));
        QSortFilterProxyModel sorted;
        sorted.setSourceModel(&floor);
        QTreeView view;
        view.setUniformRowHeights(true);
        view.setModel(&sorted);
        view.show();
        benchLongestTurn([] { return true; }, 100);
        QList<double> floorCalls;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            floor.add(QStringLiteral("(new%1)").arg(run), QStringLiteral("added by the benchmark"));
            floorCalls << timer.nsecsElapsed() / 1e6;
        }
        std::printf("%-10d %12.2f %14.1f %12.1f %14.3f\n", entries, benchMedian(calls),
                    benchMedian(blocked), benchMedian(saves), benchMedian(floorCalls));
        std::fflush(stdout);
        window->close();
    }
    return 0;
}
