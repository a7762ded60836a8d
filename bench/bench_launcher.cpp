// Prints what the desktop's search hosts wait for, measured in the client
// over a session bus of the benchmark's own: a runner Match, and an overview
// search (GetInitialResultSet, then GetResultMetas of its ids), warm, with
// 1,000, 10,000 and 100,000 user entries in each list file; and the time
// from a cold start by the bus (the service not running) to the first
// answer: "cold first" with the list files as the last start found them
// (the service's stored copy of its entries), "cold read" with the files to
// read (no stored copy, as after a change of a list). Beside them, in the same run: the ping of the
// warm service (the bus's own cost of a call) and the cold start of a bare Qt service. The user's
// other files are there as the program writes them: of each list, one entry in 200 a favourite, one
// in 20 used and one in 20 given keywords (at 100,000 entries per file: 1,000 favourites, 10,000
// uses, keywords on 10,000 entries). The files are an hour old, as a user's lists are at most
// starts.
//
//   bench_launcher [RUNS]     (RUNS cold starts and query rounds, 5 by default)

#include "BenchListFile.h"
#include "PrivateBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <QDateTime>

#include <algorithm>
#include <csignal>

namespace {

const QString Service = QStringLiteral("example.orvak.ZunoSmiley.Search");
// The overview's provider has a bus name of its own, served by the same process.
const QString Overview = QStringLiteral("example.orvak.ZunoSmiley.Search.Overview");
const QString Bare = QStringLiteral("example.orvak.ZunoSmiley.BareBench");
const QString Connection = QStringLiteral("bench");
const QStringList Queries{QStringLiteral("wink"), QStringLiteral("clin"),
                          QStringLiteral("entrée 4711"), QStringLiteral("numéro 42"),
                          QStringLiteral("btw")};

QDBusConnection bus()
{
    return QDBusConnection(Connection);
}

double call(const QString& service, const QString& path, const QString& interface,
            const QString& method, const QVariantList& arguments, QDBusMessage* reply = nullptr)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    QElapsedTimer timer;
    timer.start();
    const QDBusMessage answer = bus().call(message, QDBus::Block, 60000);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (answer.type() != QDBusMessage::ReplyMessage)
        qWarning("%s: %s", qPrintable(method), qPrintable(answer.errorMessage()));
    if (reply)
        *reply = answer;
    return ms;
}

double match(const QString& query)
{
    return call(Service, QStringLiteral("/runner"), QStringLiteral("org.kde.krunner1"),
                QStringLiteral("Match"), {query});
}

double overviewSearch(const QString& query)
{
    const QString path = QStringLiteral("/example/orvak/ZunoSmiley/SearchProvider");
    const QString interface = QStringLiteral("org.gnome.Shell.SearchProvider2");
    QDBusMessage ids;
    double ms = call(Overview, path, interface, QStringLiteral("GetInitialResultSet"),
                     {QStringList{query.split(u' ')}}, &ids);
    ms += call(Overview, path, interface, QStringLiteral("GetResultMetas"),
               {ids.arguments().value(0).toStringList()});
    return ms;
}

double ping(const QString& service)
{
    return call(service, QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"),
                QStringLiteral("Ping"), {});
}

// Ends a running service and waits until its name is free.
void stop(const QString& service)
{
    const auto pid = bus().interface()->servicePid(service);
    if (pid.isValid() && pid.value() > 0)
        ::kill(pid_t(pid.value()), SIGTERM);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && bus().interface()->isServiceRegistered(service))
        QThread::msleep(5);
}

// Best and worst, over the queries, of each query's best round.
std::pair<double, double> warm(int runs, double (*measure)(const QString&))
{
    QList<double> best;
    for (const QString& query : Queries) {
        double fastest = 1e9;
        for (int run = 0; run < runs; ++run)
            fastest = std::min(fastest, measure(query));
        best << fastest;
    }
    std::sort(best.begin(), best.end());
    return {best.at(best.size() / 2), best.last()};
}

double coldBest(int runs, const std::function<double()>& first, const QString& service,
                const std::function<void()>& before = {})
{
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        stop(service);
        if (before)
            before();
        best = std::min(best, first());
    }
    return best;
}

void writeJson(const QString& path, const QJsonObject& object)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(object).toJson(QJsonDocument::Compact)) < 0 || !file.commit())
        qFatal("cannot write %s", qPrintable(path));
}

// The favourites and keywords beside the lists and the uses in the state
// folder, in the stores' own formats, for entries entries of each list.
void writeUserFiles(const QString& listFolder, const QString& stateFolder, int entries)
{
    QJsonObject favourites, keywords, uses{{QStringLiteral("format"), 1}};
    const double now = double(QDateTime::currentSecsSinceEpoch());
    for (const auto& [list, prefix] :
         {std::pair{QStringLiteral("smileys"), QStringLiteral(":-x")},
          std::pair{QStringLiteral("acronyms"), QStringLiteral("ACR")}}) {
        QJsonArray marked;
        QJsonObject listKeywords, listUses;
        for (int i = 0; i < entries; ++i) {
            const QString text = prefix + QString::number(i);
            if (i % 200 == 0)
                marked.append(text);
            if (i % 20 == 3)
                listKeywords.insert(
                    text, QJsonArray{QStringLiteral("mot%1").arg(i), QStringLiteral("bench")});
            if (i % 20 == 7)
                listUses.insert(text, QJsonArray{1.0 + i % 5, now - i % 1000});
        }
        favourites.insert(list, marked);
        keywords.insert(list, listKeywords);
        uses.insert(list, listUses);
    }
    writeJson(listFolder + QStringLiteral("/Favourites.json"), favourites);
    writeJson(listFolder + QStringLiteral("/Keywords.json"), keywords);
    writeJson(stateFolder + QStringLiteral("/ZunoSmileys/usage.json"), uses);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    const QDir bin(QCoreApplication::applicationDirPath());
    QTextStream out(stdout);
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
               .arg(QStringLiteral("entries per file"), -17)
               .arg(QStringLiteral("cold first ms"), 14)
               .arg(QStringLiteral("cold read ms"), 13)
               .arg(QStringLiteral("bare cold ms"), 13)
               .arg(QStringLiteral("Match med ms"), 13)
               .arg(QStringLiteral("Match max ms"), 13)
               .arg(QStringLiteral("overview med ms"), 16)
               .arg(QStringLiteral("overview max ms"), 16)
               .arg(QStringLiteral("ping ms"), 8);
    for (const int entries : {1000, 10000, 100000}) {
        QTemporaryDir work;
        // The service's own copy, so that its list files are the ones here.
        const QString prog = work.filePath(QStringLiteral("prog"));
        QDir().mkpath(prog);
        for (const char* program :
             {"zuno-search-service", "zuno-insert-text", "bench_bare_service"})
            QFile::copy(bin.filePath(QLatin1String(program)), prog + u'/' + QLatin1String(program));
        writeBenchListFile(prog + QStringLiteral("/Smileys.smy"), QStringLiteral(":-x"), entries);
        writeBenchListFile(prog + QStringLiteral("/Acronyms.acr"), QStringLiteral("ACR"), entries);
        writeUserFiles(prog, work.filePath(QStringLiteral("state")), entries);
        for (const char* name : {"Smileys.smy", "Acronyms.acr"}) {
            QFile file(prog + u'/' + QLatin1String(name));
            if (!file.open(QIODevice::ReadWrite) ||
                !file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                  QFileDevice::FileModificationTime))
                qFatal("cannot date %s", qPrintable(file.fileName()));
        }
        QDir().mkpath(work.filePath(QStringLiteral("services")));
        for (const auto& [name, exec] :
             {std::pair{Service, prog + QStringLiteral("/zuno-search-service")},
              std::pair{Overview, prog + QStringLiteral("/zuno-search-service")},
              std::pair{Bare, prog + QStringLiteral("/bench_bare_service ") + Bare}}) {
            QFile file(
                work.filePath(QStringLiteral("services/") + name + QStringLiteral(".service")));
            file.open(QIODevice::WriteOnly);
            file.write(
                QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2\n").arg(name, exec).toUtf8());
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), work.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), work.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_STATE_HOME"),
                           work.filePath(QStringLiteral("state")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"),
                           work.filePath(QStringLiteral("cache")));
        PrivateBus privateBus;
        if (!privateBus.start(work.path(), environment)) {
            qWarning("No private session bus: is dbus-daemon installed?");
            return 1;
        }
        QDBusConnection::connectToBus(privateBus.address(), Connection);

        const QString stored = work.filePath(QStringLiteral("cache/ZunoSmileys/search-rows"));
        const double read = coldBest(
            runs, [] { return match(QStringLiteral("wink")); }, Service,
            [&stored] { QFile::remove(stored); });
        // The first start stores its entries for the next.
        const double cold = coldBest(
            runs + 1, [] { return match(QStringLiteral("wink")); }, Service);
        const double bareCold = coldBest(
            runs, [] { return ping(Bare); }, Bare);
        const auto [matchMedian, matchMax] = warm(runs, &match);
        const auto [overviewMedian, overviewMax] = warm(runs, &overviewSearch);
        double pingBest = 1e9;
        for (int run = 0; run < runs; ++run)
            pingBest = std::min(pingBest, ping(Service));
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                   .arg(entries, -17)
                   .arg(cold, 14, 'f', 1)
                   .arg(read, 13, 'f', 1)
                   .arg(bareCold, 13, 'f', 1)
                   .arg(matchMedian, 13, 'f', 2)
                   .arg(matchMax, 13, 'f', 2)
                   .arg(overviewMedian, 16, 'f', 2)
                   .arg(overviewMax, 16, 'f', 2)
                   .arg(pingBest, 8, 'f', 3);
        out.flush();
        stop(Service);
        stop(Bare);
        QDBusConnection::disconnectFromBus(Connection);
    }
    return 0;
}
