// Prints how long the list takes to follow the filter as the user types: the
// time from one keystroke in the filter bar to the updated, painted list of
// the smiley page, with 1,000, 10,000 and 100,000 user entries in each list
// file, unsorted and sorted by description. Each figure is the median over
// the keystrokes of typing "numéro 4" and deleting it again; the first
// keystroke and the opening of the bar, which folds every row's text once,
// are shown apart.
//
//   bench_filter            QT_QPA_PLATFORM=offscreen for no display

#include "BenchMedian.h"
#include "app/ModZunoSmiley.h"
#include "app/frmMain.h"
#include "app/models/CatalogueListModel.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"
#include "lists/UserListFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

// A list file as the program writes it.
void writeListFile(const QString& path, const QString& prefix, int entries)
{
    QList<UserListFile::Record> records;
    records.reserve(entries);
    for (int i = 0; i < entries; ++i)
        records.append({prefix + QString::number(i), QStringLiteral("Entrée numéro %1").arg(i)});
    UserListFile::save(path, records);
}

// One keystroke into the field, until the list is painted again.
double keystroke(ListPage* page, int key, const QString& text)
{
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(page->filterField(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(page->filterField(), &release);
    QCoreApplication::processEvents();
    page->view()->viewport()->repaint();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(work.filePath(QStringLiteral("data"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(work.filePath(QStringLiteral("state"))));
    QTextStream out(stdout);
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
               .arg(QStringLiteral("entries per file"), -17)
               .arg(QStringLiteral("sorted"), 7)
               .arg(QStringLiteral("open bar ms"), 12)
               .arg(QStringLiteral("first key ms"), 13)
               .arg(QStringLiteral("median ms"), 10)
               .arg(QStringLiteral("max ms"), 8)
               .arg(QStringLiteral("rows shown"), 11);
    const QString typed = QStringLiteral("numéro 4");
    for (int entries : {1000, 10000, 100000}) {
        const QString folder = work.filePath(QStringLiteral("lists-%1").arg(entries));
        QDir().mkpath(folder);
        writeListFile(folder + QStringLiteral("/Smileys.smy"), QStringLiteral(":-) "), entries);
        writeListFile(folder + QStringLiteral("/Acronyms.acr"), QStringLiteral("ACR"), entries);
        for (bool sorted : {false, true}) {
            ModZunoSmiley mod(QCoreApplication::applicationFilePath());
            mod.setListFolder(folder);
            mod.Main();
            ListPage* page = mod.MainWindow->page(0);
            if (sorted)
                page->sortByColumn(2);
            QCoreApplication::processEvents();
            QElapsedTimer opening;
            opening.start();
            page->openFilter();
            QCoreApplication::processEvents();
            const double openMs = opening.nsecsElapsed() / 1e6;
            QList<double> times;
            double first = -1;
            int shownRows = 0;
            for (const QChar c : typed) {
                const double ms = keystroke(page, 0, QString(c));
                if (first < 0)
                    first = ms;
                else
                    times << ms;
            }
            shownRows = page->sortedModel()->rowCount();
            for (int i = 0; i < typed.size(); ++i) {
                times << keystroke(page, Qt::Key_Backspace, QString());
                if (qEnvironmentVariableIsSet("BENCH_FILTER_EACH"))
                    out << "  backspace " << i << ": " << times.last() << " ms, "
                        << page->sortedModel()->rowCount() << " rows\n";
            }
            out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                       .arg(entries, -17)
                       .arg(sorted ? QStringLiteral("yes") : QStringLiteral("no"), 7)
                       .arg(openMs, 12, 'f', 1)
                       .arg(first, 13, 'f', 1)
                       .arg(benchMedian(times), 10, 'f', 1)
                       .arg(*std::max_element(times.cbegin(), times.cend()), 8, 'f', 1)
                       .arg(shownRows, 11);
            out.flush();
            // The lists are the program's; the benchmark saves nothing.
            mod.MainWindow->hide();
            mod.MainWindow->deleteLater();
            QCoreApplication::processEvents();
        }
    }
    return 0;
}
