// Whether a hostile caller can hold the search service up: on a session bus
// of the benchmark's own, with 10,000 user entries in each list file, a probe
// sends Match("wink") every 100 ms and times each answer, idle and while
// another process (this program with --attack) sends in turn:
//   words     Match(W), then Match(W + " zzzz"), W 100,000 random words;
//   flood     24 queries of 1 MB each at once (Match, and the overview's
//             GetInitialResultSet of the same text split into its words);
//   metas     GetResultMetas of 400,000 ids.
// The overview's calls go to its provider's own name (served by the same
// process on a bus connection of its own).
// The reference, in the same run: the same attacks on a bare Qt service
// (bench_bare_service), probed by a Ping, which no code of the service's
// handles; every call reaches it, decoded by the bus library, and is
// refused. Beside each probe, the bus's own answer
// (org.freedesktop.DBus.GetId, answered by the bus daemon), which every
// message of the attack passes through too. It prints each phase's median and
// slowest answer of both and the service's resident memory (VmRSS of
// /proc/PID/status) idle and at its peak (VmHWM, reset before each phase).
//
//   bench_service_stall [ROUNDS [ATTACK...]]
//                      (ROUNDS of each attack, 3 by default; all three attacks by default)

#include "BenchListFile.h"
#include "BenchMedian.h"
#include "PrivateBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

const QString Service = QStringLiteral("example.orvak.ZunoSmiley.Search");
const QString Overview = QStringLiteral("example.orvak.ZunoSmiley.Search.Overview");
const QString Bare = QStringLiteral("example.orvak.ZunoSmiley.BareBench");
// Where the attacker sends its calls: the service, or the bare Qt service.
QString target = Service;
const QString RunnerPath = QStringLiteral("/runner");
const QString RunnerInterface = QStringLiteral("org.kde.krunner1");
const QString ProviderPath = QStringLiteral("/example/orvak/ZunoSmiley/SearchProvider");
const QString ProviderInterface = QStringLiteral("org.gnome.Shell.SearchProvider2");
constexpr int Entries = 10000;
constexpr int ProbeEveryMs = 100;
constexpr int CallTimeoutMs = 120000;

QDBusMessage matchCall(const QString& query)
{
    QDBusMessage message = QDBusMessage::createMethodCall(target, RunnerPath, RunnerInterface,
                                                          QStringLiteral("Match"));
    message << query;
    return message;
}

QDBusMessage providerCall(const QString& method, const QVariant& argument)
{
    QDBusMessage message = QDBusMessage::createMethodCall(target == Service ? Overview : target,
                                                          ProviderPath, ProviderInterface, method);
    message << argument;
    return message;
}

// Random lower-case words of 2 to 9 letters, blank-separated.
QString randomWords(qsizetype count)
{
    QRandomGenerator* random = QRandomGenerator::global();
    QString words;
    words.reserve(count * 6);
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            words += u' ';
        const int length = 2 + int(random->bounded(8));
        for (int l = 0; l < length; ++l)
            words += QChar(u'a' + char16_t(random->bounded(26)));
    }
    return words;
}

// Random words up to bytes of UTF-8 (all ASCII).
QString randomText(qsizetype bytes)
{
    QString text = randomWords(bytes / 5);
    while (text.size() < bytes)
        text += u' ' + randomWords(1000);
    text.truncate(bytes);
    return text;
}

// The hostile caller: sends one attack's calls, all at once within a round,
// and waits for their answers. Exits 0 when every call was answered.
int attack(const QString& kind, const QString& address, int rounds)
{
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("attack"));
    if (!bus.isConnected())
        return 2;
    int failures = 0;
    const auto waitAll = [&failures](QList<QDBusPendingCall>& calls) {
        for (QDBusPendingCall& call : calls) {
            call.waitForFinished();
            // The bare service answers every call with an error, once decoded.
            if (call.isError() && target == Service) {
                ++failures;
                std::fprintf(stderr, "attack: %s\n", qPrintable(call.error().message()));
            }
        }
        calls.clear();
    };
    QList<QDBusPendingCall> calls;
    for (int round = 0; round < rounds; ++round) {
        if (kind == QLatin1String("words")) {
            const QString words = randomWords(100000);
            for (const QString& query : {words, words + QStringLiteral(" zzzz")}) {
                calls << bus.asyncCall(matchCall(query), CallTimeoutMs);
                waitAll(calls);
            }
        } else if (kind == QLatin1String("flood")) {
            for (int i = 0; i < 24; ++i) {
                const QString text = randomText(1024 * 1024);
                calls << (i % 2 == 0
                              ? bus.asyncCall(matchCall(text), CallTimeoutMs)
                              : bus.asyncCall(providerCall(QStringLiteral("GetInitialResultSet"),
                                                           text.split(u' ')),
                                              CallTimeoutMs));
            }
            waitAll(calls);
        } else if (kind == QLatin1String("metas")) {
            QStringList ids;
            ids.reserve(400000);
            for (int i = 0; i < 400000; ++i)
                ids << QStringLiteral("smiley::-x%1").arg(i % Entries);
            calls << bus.asyncCall(providerCall(QStringLiteral("GetResultMetas"), ids),
                                   CallTimeoutMs);
            waitAll(calls);
        }
    }
    return failures == 0 ? 0 : 1;
}

// A field of /proc/PID/status, in kB; -1 when the process is gone.
qint64 statusKb(qint64 pid, const char* field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Starts the peak resident size afresh (root, or the process's owner).
void resetPeak(qint64 pid)
{
    QFile refs(QStringLiteral("/proc/%1/clear_refs").arg(pid));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

double timedCall(QDBusConnection bus, const QDBusMessage& message)
{
    QElapsedTimer timer;
    timer.start();
    const QDBusMessage answer = bus.call(message, QDBus::Block, CallTimeoutMs);
    if (answer.type() != QDBusMessage::ReplyMessage)
        qWarning("probe: %s", qPrintable(answer.errorMessage()));
    return timer.nsecsElapsed() / 1e6;
}

struct Phase
{
    QList<double> service;
    QList<double> bus;
    qint64 peakKb = 0;
    double attackMs = 0;
    int attackExit = 0;
};

std::pair<double, double> medianAndMax(const QList<double>& values)
{
    if (values.isEmpty())
        return {NAN, NAN};
    return {benchMedian(values), *std::max_element(values.begin(), values.end())};
}

pid_t spawnAttack(const QString& kind, const QString& address, int rounds, const QString& to)
{
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray kindBytes = kind.toUtf8(), addressBytes = address.toUtf8(),
                     roundBytes = QByteArray::number(rounds), toBytes = to.toUtf8();
    char* argv[] = {const_cast<char*>(program.data()),
                    const_cast<char*>("--attack"),
                    const_cast<char*>(kindBytes.data()),
                    const_cast<char*>(addressBytes.data()),
                    const_cast<char*>(roundBytes.data()),
                    const_cast<char*>(toBytes.data()),
                    nullptr};
    pid_t pid = 0;
    return posix_spawn(&pid, program.data(), nullptr, nullptr, argv, environ) == 0 ? pid : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 6 && QByteArray(argv[1]) == "--attack" &&
        (target = QString::fromUtf8(argv[5])) != QString())
        return attack(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]),
                      std::max(1, QByteArray(argv[4]).toInt()));
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 3;
    const QDir bin(QCoreApplication::applicationDirPath());

    QTemporaryDir work;
    // The service's own copy, so that its list files are the ones here.
    const QString prog = work.filePath(QStringLiteral("prog"));
    QDir().mkpath(prog);
    for (const char* program : {"zuno-search-service", "zuno-insert-text", "bench_bare_service"})
        QFile::copy(bin.filePath(QLatin1String(program)), prog + u'/' + QLatin1String(program));
    writeBenchListFile(prog + QStringLiteral("/Smileys.smy"), QStringLiteral(":-x"), Entries);
    writeBenchListFile(prog + QStringLiteral("/Acronyms.acr"), QStringLiteral("ACR"), Entries);
    QDir().mkpath(work.filePath(QStringLiteral("services")));
    for (const auto& [name, exec] :
         {std::pair{Service, prog + QStringLiteral("/zuno-search-service")},
          std::pair{Overview, prog + QStringLiteral("/zuno-search-service")},
          std::pair{Bare, prog + QStringLiteral("/bench_bare_service ") + Bare}}) {
        QFile file(work.filePath(QStringLiteral("services/") + name + QStringLiteral(".service")));
        file.open(QIODevice::WriteOnly);
        file.write(QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2\n").arg(name, exec).toUtf8());
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), work.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), work.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), work.filePath(QStringLiteral("state")));
    // Not ended by its idle time while the attacks are made ready.
    environment.insert(QStringLiteral("ZUNO_SEARCH_IDLE_MS"), QStringLiteral("600000"));
    PrivateBus privateBus;
    if (!privateBus.start(work.path(), environment)) {
        qWarning("No private session bus: is dbus-daemon installed?");
        return 1;
    }
    QDBusConnection bus =
        QDBusConnection::connectToBus(privateBus.address(), QStringLiteral("probe"));
    const QDBusMessage busId = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId"));
    const QDBusMessage probe = matchCall(QStringLiteral("wink"));
    const QDBusMessage barePing = QDBusMessage::createMethodCall(
        Bare, QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"),
        QStringLiteral("Ping"));
    // Started by their first call; answers their process id.
    const auto start = [&bus](const QDBusMessage& first, const QString& name) -> qint64 {
        timedCall(bus, first);
        const auto pid = bus.interface()->servicePid(name);
        if (!pid.isValid() || pid.value() == 0) {
            qWarning("%s did not start.", qPrintable(name));
            return 0;
        }
        for (int warm = 0; warm < 20; ++warm)
            timedCall(bus, first);
        return pid.value();
    };
    const qint64 pid = start(probe, Service);
    const qint64 barePid = start(barePing, Bare);
    if (pid == 0 || barePid == 0)
        return 1;
    const qint64 idleKb = statusKb(pid, "VmRSS:");

    // One probe every ProbeEveryMs while running() holds (and at least the
    // given count), the service's answer and the bus's.
    const auto runProbes = [&](qint64 probed, const QDBusMessage& probeCall, Phase& phase,
                               int atLeast, const std::function<bool()>& running) {
        resetPeak(probed);
        QElapsedTimer clock;
        clock.start();
        qint64 next = 0;
        for (int n = 0; n < atLeast || running(); ++n) {
            while (clock.elapsed() < next)
                QThread::msleep(1);
            next = clock.elapsed() + ProbeEveryMs;
            phase.service << timedCall(bus, probeCall);
            phase.bus << timedCall(bus, busId);
        }
        phase.peakKb = statusKb(probed, "VmHWM:");
    };

    QTextStream out(stdout);
    out << QStringLiteral("%1 entries per list file, a probe Match every %2 ms, %3 round(s) of "
                          "each attack; \"bare\": the same attack on a bare Qt service, its "
                          "probe a Ping\n")
               .arg(Entries)
               .arg(ProbeEveryMs)
               .arg(rounds);
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
               .arg(QStringLiteral("phase"), -11)
               .arg(QStringLiteral("probes"), 7)
               .arg(QStringLiteral("probe med ms"), 13)
               .arg(QStringLiteral("probe max ms"), 13)
               .arg(QStringLiteral("bus med ms"), 11)
               .arg(QStringLiteral("bus max ms"), 11)
               .arg(QStringLiteral("peak RSS MB"), 12)
               .arg(QStringLiteral("attack s"), 9);
    const auto print = [&](const QString& name, const Phase& phase) {
        const auto [serviceMedian, serviceMax] = medianAndMax(phase.service);
        const auto [busMedian, busMax] = medianAndMax(phase.bus);
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8%9\n")
                   .arg(name, -11)
                   .arg(phase.service.size(), 7)
                   .arg(serviceMedian, 13, 'f', 2)
                   .arg(serviceMax, 13, 'f', 2)
                   .arg(busMedian, 11, 'f', 2)
                   .arg(busMax, 11, 'f', 2)
                   .arg(phase.peakKb / 1024.0, 12, 'f', 1)
                   .arg(phase.attackMs / 1000, 9, 'f', 2)
                   .arg(phase.attackExit == 0 ? QString()
                                              : QStringLiteral("  (attack calls failed)"));
        out.flush();
    };

    QStringList kinds{QStringLiteral("words"), QStringLiteral("flood"), QStringLiteral("metas")};
    if (argc > 2)
        kinds = QCoreApplication::arguments().mid(2);
    qint64 worstKb = 0;
    for (const bool bare : {false, true}) {
        const QString prefix = bare ? QStringLiteral("bare ") : QString();
        const qint64 to = bare ? barePid : pid;
        const QDBusMessage& probeOf = bare ? barePing : probe;
        Phase idle;
        runProbes(to, probeOf, idle, 30, [] { return false; });
        print(prefix + QStringLiteral("idle"), idle);
        if (!bare)
            worstKb = idle.peakKb;
        for (const QString& kind : std::as_const(kinds)) {
            Phase phase;
            QElapsedTimer attackClock;
            attackClock.start();
            const pid_t attacker =
                spawnAttack(kind, privateBus.address(), rounds, bare ? Bare : Service);
            if (attacker == 0) {
                qWarning("The attacker did not start.");
                return 1;
            }
            bool done = false;
            runProbes(to, probeOf, phase, 10, [&] {
                int status = 0;
                if (!done && ::waitpid(attacker, &status, WNOHANG) == attacker) {
                    done = true;
                    phase.attackMs = attackClock.nsecsElapsed() / 1e6;
                    phase.attackExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                }
                return !done;
            });
            print(prefix + kind, phase);
            if (!bare)
                worstKb = std::max(worstKb, phase.peakKb);
        }
    }
    out << QStringLiteral("service RSS idle %1 MB, peak under attack %2 MB: %3 MB above idle\n")
               .arg(idleKb / 1024.0, 0, 'f', 1)
               .arg(worstKb / 1024.0, 0, 'f', 1)
               .arg((worstKb - idleKb) / 1024.0, 0, 'f', 1);
    ::kill(pid_t(pid), SIGTERM);
    ::kill(pid_t(barePid), SIGTERM);
    QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
    return 0;
}
