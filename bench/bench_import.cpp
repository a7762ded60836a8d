// Prints what importing one list file of 10,000, 100,000 and 1,000,000 entries
// costs the catalogue window: the time until the report is shown, the
// longest the window's event loop could not turn from the import until the
// list file holds every entry, the time until it does, and the process's
// peak memory, each with the filter bar closed and then open on a word every
// imported entry matches (the ranked filter takes every row in), and the rows
// the list shows at the end; with the filter open, what the next keystroke
// then costs (a letter less, every row matching still). Beside it, as the reference of the same
// run, the time to read the same file alone with the list reader the import uses.
//
//   bench_import [LARGEST]     sizes up to LARGEST entries (default 1000000)
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise; its settings and lists
// live in a temporary folder.

#include "BenchEventLoop.h"
#include "BenchHome.h"
#include "app/ModZunoSmiley.h"
#include "app/dialogs/MessageBox.h"
#include "app/frmMain.h"
#include "app/models/CatalogueFilter.h"
#include "app/widgets/ListPage.h"
#include "catalogue/UserListReader.h"
#include "lists/UserListStore.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <sys/resource.h>

namespace {

long peakMegabytes()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir home;
    useBenchHome(home);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    const int largest = argc > 1 ? std::max(1, atoi(argv[1])) : 1000000;

    std::printf("%-10s %-7s %12s %12s %12s %10s %10s %14s %13s\n", "entries", "filter", "report ms",
                "stall ms", "on disk ms", "shown", "peak MB", "read alone ms", "keystroke ms");
    for (const int entries : {10000, 100000, 1000000}) {
        if (entries > largest)
            break;
        for (const bool filtered : {false, true}) {
            QTemporaryDir lists, docs;
            const QString file = docs.filePath(QStringLiteral("import.smy"));
            writeBenchListFile(file, entries, QStringLiteral("i"), QStringLiteral("Importée"));

            QElapsedTimer reading;
            reading.start();
            qsizetype read = 0;
            UserListReader::readFile(file, [&read](const QString&, const QString&) {
                ++read;
                return true;
            });
            const double readAlone = reading.nsecsElapsed() / 1e6;

            ModZunoSmiley mod(home.filePath(QStringLiteral("bin/ZunoSmiley")));
            mod.setListFolder(lists.path());
            mod.Main();
            frmMain* window = mod.MainWindow;
            if (filtered)
                window->page(0)->openFilter(QStringLiteral("importée"));
            benchLongestTurn([] { return true; });

            const int notices = MessageBox::noticeCount();
            QElapsedTimer timer;
            timer.start();
            window->importListFiles({file});
            double report = notices == MessageBox::noticeCount() ? -1 : timer.nsecsElapsed() / 1e6;
            double stall = timer.nsecsElapsed() / 1e6;
            double onDisk = 0;
            stall = std::max(stall, benchLongestTurn([&] {
                                 if (report < 0 && MessageBox::noticeCount() != notices)
                                     report = timer.nsecsElapsed() / 1e6;
                                 if (report < 0)
                                     return false;
                                 UserListStore* store = window->store(0);
                                 if (store->isBusy() || store->hasPending())
                                     return false;
                                 onDisk = timer.nsecsElapsed() / 1e6;
                                 return true;
                             }));
            const int shown = window->page(0)->sortedModel()->rowCount();
            double keystroke = -1;
            if (filtered) {
                QElapsedTimer typing;
                typing.start();
                qobject_cast<CatalogueFilter*>(window->page(0)->sortedModel())
                    ->setFilterWords(QStringLiteral("importé"));
                keystroke = typing.nsecsElapsed() / 1e6;
            }
            std::printf("%-10d %-7s %12.0f %12.0f %12.0f %10d %10ld %14.0f %13.0f\n", entries,
                        filtered ? "open" : "closed", report, stall, onDisk, shown, peakMegabytes(),
                        readAlone, keystroke);
            std::fflush(stdout);
            window->close();
        }
    }
    return 0;
}
