// Prints what the ranked filter costs the user who has marked favourites and
// used entries: with 1,000 favourites (Favourites.json beside the list files)
// and a usage history of 10,000 entries (usage.json under XDG_STATE_HOME),
// and the user's keywords on 10,000 of the smileys (Keywords.json beside the
// list files) besides the built-in ones' shipped keywords, all written before
// the window starts, at 1,000, 10,000 and 100,000 user entries per list file:
// - each keystroke of several words typed letter by letter into the smiley
//   page's filter bar, to the ranked and painted list: median and slowest;
// - the empty pick list (frmMain::pick, the favourites and most used entries
//   first) to the painted list;
// - the start to the shown, painted window with the files present, beside
//   the same start without them, alternating in the same run, as a ratio.
// Every file lives in the benchmark's own temporary folders.
//
//   bench_ranked_filter [RUNS [ENTRIES]]   QT_QPA_PLATFORM=offscreen for no display
//
// ENTRIES runs one size alone (for a profiler).

#include "BenchMedian.h"
#include "app/ModZunoSmiley.h"
#include "app/frmMain.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"
#include "desktop/ActiveWindow.h"
#include "lists/UserListFile.h"
#include "search/EntryKey.h"
#include "search/FavouriteStore.h"
#include "search/KeywordStore.h"
#include "search/UsageStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

constexpr int Favourites = 1000;
constexpr int UsedEntries = 10000;
constexpr int EntriesWithKeywords = 10000;

QString smileyText(int i)
{
    return QStringLiteral(":-) ") + QString::number(i);
}

QString acronymText(int i)
{
    return QStringLiteral("ACR") + QString::number(i);
}

void writeListFile(const QString& path, QString (*text)(int), int entries)
{
    QList<UserListFile::Record> records;
    records.reserve(entries);
    for (int i = 0; i < entries; ++i)
        records.append({text(i), QStringLiteral("Entrée numéro %1").arg(i)});
    UserListFile::save(path, records);
}

// Half of the marks in each list, spread over it.
void writeFavourites(const QString& path, int entries)
{
    const int perList = Favourites / 2;
    const int step = std::max(1, entries / perList);
    QJsonArray smileys;
    QJsonArray acronyms;
    for (int i = 0; i < perList; ++i) {
        smileys.append(smileyText((i * step + 3) % entries));
        acronyms.append(acronymText((i * step + 3) % entries));
    }
    QJsonObject object;
    object.insert(EntryKey::listName(ListKind::Smiley), smileys);
    object.insert(EntryKey::listName(ListKind::Acronym), acronyms);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// Uses of UsedEntries distinct entries (as many as the lists hold at the
// smallest size), some used more than once, through the store itself.
void writeUsage(const QString& path, int entries)
{
    UsageStore usage(path);
    const int perList = std::min(UsedEntries / 2, entries);
    const int step = std::max(1, entries / perList);
    for (int i = 0; i < perList; ++i) {
        for (int use = 0; use <= i % 3; ++use) {
            usage.recordUse(ListKind::Smiley, smileyText((i * step + 1) % entries));
            usage.recordUse(ListKind::Acronym, acronymText((i * step + 1) % entries));
        }
    }
    usage.flush();
}

// Two of the user's own keywords on the first EntriesWithKeywords smileys,
// in the keyword file beside the lists, which the window reads as the filter
// first opens (the built-in entries have their shipped ones besides).
void writeKeywords(const QString& path)
{
    QJsonObject smileys;
    for (int i = 0; i < EntriesWithKeywords; ++i)
        smileys.insert(smileyText(i), QJsonArray{QStringLiteral("mot-clé %1").arg(i),
                                                 QStringLiteral("entrée préférée")});
    QJsonObject object;
    object.insert(EntryKey::listName(ListKind::Smiley), smileys);
    object.insert(EntryKey::listName(ListKind::Acronym), QJsonObject());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void paint(ListPage* page)
{
    QCoreApplication::processEvents();
    page->view()->viewport()->repaint();
}

// Kept out of line, so that a profiler can collect within it alone
// (valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*keystroke*').
[[gnu::noinline]] double keystroke(ListPage* page, int key, const QString& text)
{
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(page->filterField(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(page->filterField(), &release);
    paint(page);
    return timer.nsecsElapsed() / 1e6;
}

// The start to the shown and painted window; the window is closed unsaved.
double startUp(const QString& folder)
{
    QElapsedTimer timer;
    timer.start();
    auto* mod = new ModZunoSmiley(QCoreApplication::applicationFilePath());
    mod->setListFolder(folder);
    mod->Main();
    mod->MainWindow->repaint();
    paint(mod->MainWindow->page(0));
    const double ms = timer.nsecsElapsed() / 1e6;
    mod->MainWindow->hide();
    mod->MainWindow->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete mod;
    return ms;
}

// The two starts by names of their own, so that a profiler can count each
// apart (--toggle-collect='*startWithUse*'), whatever the machine's load.
[[gnu::noipa]] double startWithUse(const QString& folder)
{
    return startUp(folder);
}

[[gnu::noipa]] double startBare(const QString& folder)
{
    return startUp(folder);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(work.filePath(QStringLiteral("data"))));
    const QByteArray usedState = QFile::encodeName(work.filePath(QStringLiteral("state-used")));
    const QByteArray emptyState = QFile::encodeName(work.filePath(QStringLiteral("state-empty")));
    qputenv("XDG_STATE_HOME", usedState);
    QTextStream out(stdout);
    out << "favourites " << Favourites << ", usage history " << UsedEntries
        << " entries (fewer at 1k: two lists of 1k hold 2k), keywords on " << EntriesWithKeywords
        << " smileys; runs " << runs << "\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
               .arg(QStringLiteral("entries per file"), -17)
               .arg(QStringLiteral("open bar ms"), 12)
               .arg(QStringLiteral("first key ms"), 13)
               .arg(QStringLiteral("key median ms"), 14)
               .arg(QStringLiteral("key max ms"), 11)
               .arg(QStringLiteral("pick ms"), 8)
               .arg(QStringLiteral("start used ms"), 14)
               .arg(QStringLiteral("start bare ms"), 14)
               .arg(QStringLiteral("ratio"), 6);
    const QStringList words = {QStringLiteral("numéro 42"), QStringLiteral("entrée"),
                               QStringLiteral("99"), QStringLiteral(":-) 7")};
    QList<int> sizes = {1000, 10000, 100000};
    if (argc > 2)
        sizes = {std::max(1, QString::fromLocal8Bit(argv[2]).toInt())};
    for (int entries : sizes) {
        const QString used = work.filePath(QStringLiteral("used-%1").arg(entries));
        const QString bare = work.filePath(QStringLiteral("bare-%1").arg(entries));
        for (const QString& folder : {used, bare}) {
            QDir().mkpath(folder);
            writeListFile(folder + QStringLiteral("/Smileys.smy"), smileyText, entries);
            writeListFile(folder + QStringLiteral("/Acronyms.acr"), acronymText, entries);
        }
        writeFavourites(FavouriteStore::pathIn(used), entries);
        writeKeywords(KeywordStore::pathIn(used));
        QDir().mkpath(QString::fromLocal8Bit(emptyState));
        qputenv("XDG_STATE_HOME", usedState);
        QFile::remove(UsageStore::defaultPath());
        writeUsage(UsageStore::defaultPath(), entries);

        // The start with and without the two files, alternating.
        QList<double> withUse;
        QList<double> without;
        startUp(bare); // the first start loads what every later one shares
        for (int run = 0; run < runs; ++run) {
            qputenv("XDG_STATE_HOME", usedState);
            withUse << startWithUse(used);
            qputenv("XDG_STATE_HOME", emptyState);
            without << startBare(bare);
        }
        qputenv("XDG_STATE_HOME", usedState);

        ModZunoSmiley mod(QCoreApplication::applicationFilePath());
        mod.setListFolder(used);
        mod.Main();
        ListPage* page = mod.MainWindow->page(0);
        paint(page);

        QElapsedTimer opening;
        opening.start();
        page->openFilter();
        paint(page);
        const double openMs = opening.nsecsElapsed() / 1e6;
        QList<double> keys;
        for (const QString& word : words) {
            for (const QChar c : word)
                keys << keystroke(page, 0, QString(c));
            page->filterField()->clear();
            paint(page);
        }
        const double first = keys.first();
        page->closeFilter();
        paint(page);

        QList<double> picks;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            mod.MainWindow->pick(ActiveWindow());
            paint(page);
            picks << timer.nsecsElapsed() / 1e6;
            page->closeFilter();
            paint(page);
        }

        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                   .arg(entries, -17)
                   .arg(openMs, 12, 'f', 1)
                   .arg(first, 13, 'f', 1)
                   .arg(benchMedian(keys), 14, 'f', 1)
                   .arg(*std::max_element(keys.cbegin(), keys.cend()), 11, 'f', 1)
                   .arg(benchMedian(picks), 8, 'f', 1)
                   .arg(benchMedian(withUse), 14, 'f', 1)
                   .arg(benchMedian(without), 14, 'f', 1)
                   .arg(benchMedian(withUse) / benchMedian(without), 6, 'f', 3);
        out.flush();
        mod.MainWindow->hide();
        mod.MainWindow->deleteLater();
        QCoreApplication::processEvents();
    }
    return 0;
}
