// Prints what the catalogue program costs a user: the time from starting the
// process to its shown window, to switch the interface language and to close
// (which saves both list files), and the peak memory, with user list files of
// 0, 1,000, 10,000 and 100,000 entries in each list. In the same run it starts
// a bare Qt window with a tab strip and an empty list, as the reference.
//
//   bench_startup [RUNS]        median of RUNS starts per case (default 5)
//
// Every start is a fresh process (the benchmark runs itself as the child), so
// the figures include loading the libraries and the platform plugin. Run it
// on the desktop it is meant for, e.g. under xvfb-run for X11; with
// QT_QPA_PLATFORM=offscreen it measures the program without a display.

#include "AboutPage.h"
#include "CatalogueListModel.h"
#include "ListPage.h"
#include "ModZunoSmiley.h"
#include "frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeView>
#include <QWindow>

#include <algorithm>
#include <cstdio>

namespace {

// Peak resident memory of this process in KiB.
long peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void waitUntilExposed(QWidget* window)
{
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    QCoreApplication::processEvents();
}

void report(const char* key, double value)
{
    std::printf("%s %.3f\n", key, value);
    std::fflush(stdout);
}

int runBareWindow(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QElapsedTimer timer;
    timer.start();
    QWidget window;
    auto* tabs = new QTabWidget(&window);
    auto* list = new QTreeView;
    auto* model = new QStandardItemModel(0, 2, list);
    list->setModel(model);
    tabs->addTab(list, QStringLiteral("Smileys"));
    tabs->addTab(new QWidget, QStringLiteral("Acronyms"));
    tabs->addTab(new QWidget, QStringLiteral("About"));
    tabs->setGeometry(8, 8, 353, 425);
    window.setFixedSize(368, 439);
    window.show();
    waitUntilExposed(&window);
    report("shown", timer.nsecsElapsed() / 1e6);
    timer.restart();
    window.close();
    report("closed", timer.nsecsElapsed() / 1e6);
    report("peak", peakMemoryKiB());
    return 0;
}

int runProgram(int argc, char* argv[], const QString& listFolder)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    QElapsedTimer timer;
    timer.start();
    ModZunoSmiley mod(QCoreApplication::applicationFilePath());
    mod.setListFolder(listFolder);
    mod.Main();
    frmMain* window = mod.MainWindow;
    waitUntilExposed(window);
    report("shown", timer.nsecsElapsed() / 1e6);
    report("rows", window->page(0)->model()->rowCount() + window->page(1)->model()->rowCount());

    timer.restart();
    auto* language = window->aboutPage()->findChild<QComboBox*>(QStringLiteral("CLanguage"));
    language->setCurrentIndex(language->findData(mod.CurrentLanguage == 1 ? 2 : 1));
    window->CLanguage_Click();
    QCoreApplication::processEvents();
    report("switched", timer.nsecsElapsed() / 1e6);

    timer.restart();
    window->close();
    report("closed", timer.nsecsElapsed() / 1e6);
    report("peak", peakMemoryKiB());
    return 0;
}

void writeListFile(const QString& path, const QString& prefix, int entries)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray bytes;
    for (int i = 0; i < entries; ++i)
        bytes += QStringLiteral("\"%1%2\",\"Entrée numéro %2\"\r\n").arg(prefix).arg(i).toUtf8();
    file.write(bytes);
}

struct Figures
{
    double startMs = 0; // process start to shown window, as the parent sees it
    double shownMs = 0; // inside the process
    double switchMs = 0;
    double closeMs = 0;
    double peakMiB = 0;
    int rows = 0;
};

Figures runChild(const QStringList& arguments, const QString& home)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), arguments);
    Figures figures;
    bool running = child.waitForStarted();
    while (running) {
        if (!child.canReadLine() && !child.waitForReadyRead(60000))
            break;
        while (child.canReadLine()) {
            const QList<QByteArray> parts = child.readLine().trimmed().split(' ');
            const QByteArray key = parts.value(0);
            const double value = parts.value(1).toDouble();
            if (key == "shown") {
                figures.startMs = timer.nsecsElapsed() / 1e6;
                figures.shownMs = value;
            } else if (key == "rows") {
                figures.rows = int(value);
            } else if (key == "switched") {
                figures.switchMs = value;
            } else if (key == "closed") {
                figures.closeMs = value;
            } else if (key == "peak") {
                figures.peakMiB = value / 1024.0;
                running = false;
            }
        }
    }
    child.waitForFinished(60000);
    return figures;
}

Figures median(QList<Figures> runs)
{
    auto pick = [&runs](double Figures::*field) {
        QList<double> values;
        for (const Figures& f : runs)
            values << f.*field;
        std::sort(values.begin(), values.end());
        return values.at(values.size() / 2);
    };
    Figures m;
    m.startMs = pick(&Figures::startMs);
    m.shownMs = pick(&Figures::shownMs);
    m.switchMs = pick(&Figures::switchMs);
    m.closeMs = pick(&Figures::closeMs);
    m.peakMiB = pick(&Figures::peakMiB);
    m.rows = runs.first().rows;
    return m;
}

int runBenchmark(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = std::max(1, argc > 1 ? QByteArray(argv[1]).toInt() : 5);
    QTemporaryDir work;
    QTextStream out(stdout);
    out << "Median of " << runs << " starts each (platform "
        << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("default")) << ")\n\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
               .arg(QStringLiteral("case"), -28)
               .arg(QStringLiteral("rows"), 7)
               .arg(QStringLiteral("start ms"), 9)
               .arg(QStringLiteral("in-proc"), 8)
               .arg(QStringLiteral("switch ms"), 10)
               .arg(QStringLiteral("close ms"), 9)
               .arg(QStringLiteral("peak MiB"), 9);
    out.flush();

    auto print = [&out](const QString& name, const Figures& f) {
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                   .arg(name, -28)
                   .arg(f.rows, 7)
                   .arg(f.startMs, 9, 'f', 1)
                   .arg(f.shownMs, 8, 'f', 1)
                   .arg(f.switchMs, 10, 'f', 1)
                   .arg(f.closeMs, 9, 'f', 1)
                   .arg(f.peakMiB, 9, 'f', 1);
        out.flush();
    };

    // One unmeasured start of each, so that both find the per-user caches
    // (fonts, the class registry store) as a user's desktop has them.
    runChild({QStringLiteral("--bare")}, work.filePath(QStringLiteral("bare")));
    runChild({QStringLiteral("--program"), work.filePath(QStringLiteral("lists-0"))},
             work.filePath(QStringLiteral("home")));
    QList<Figures> bare;
    for (int r = 0; r < runs; ++r)
        bare << runChild({QStringLiteral("--bare")}, work.filePath(QStringLiteral("bare")));
    const Figures reference = median(bare);
    print(QStringLiteral("bare Qt window (reference)"), reference);

    double builtInStart = 0;
    for (int entries : {0, 1000, 10000, 100000}) {
        const QString folder = work.filePath(QStringLiteral("lists-%1").arg(entries));
        QDir().mkpath(folder);
        writeListFile(folder + QStringLiteral("/Smileys.smy"), QStringLiteral(":-) "), entries);
        writeListFile(folder + QStringLiteral("/Acronyms.acr"), QStringLiteral("ACR"), entries);
        QList<Figures> program;
        for (int r = 0; r < runs; ++r) {
            // Each start sees the same files and the same (French) setting.
            writeListFile(folder + QStringLiteral("/Smileys.smy"), QStringLiteral(":-) "), entries);
            writeListFile(folder + QStringLiteral("/Acronyms.acr"), QStringLiteral("ACR"), entries);
            // The same home for every start, as a user has, from the same
            // (absent, so French) setting.
            const QString home = work.filePath(QStringLiteral("home"));
            QFile::remove(home + QStringLiteral("/config/ZunoSmileys/ZunoSmileys.conf"));
            program << runChild({QStringLiteral("--program"), folder}, home);
        }
        const Figures f = median(program);
        if (entries == 0)
            builtInStart = f.startMs;
        print(entries == 0 ? QStringLiteral("program, built-in lists only")
                           : QStringLiteral("program, %1 user entries x2").arg(entries),
              f);
    }
    out << "\nStart-up with the built-in lists alone: "
        << QString::number(builtInStart / reference.startMs, 'f', 2) << " x the bare Qt window\n";
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--bare") == 0)
        return runBareWindow(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "--program") == 0)
        return runProgram(argc, argv, QString::fromLocal8Bit(argv[2]));
    return runBenchmark(argc, argv);
}
