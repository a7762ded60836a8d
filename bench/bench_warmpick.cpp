// Prints how long a pick takes when the program already runs, minimized,
// under a window manager: from the start of `ZunoSmiley --pick` to the
// catalogue window mapped again, holding the input focus and painted with
// it (its filter field focused), beside a bare Qt window's start (bench_bare,
// to its first painting) in the same run, in turns; the median of RUNS each.
// It also prints when the later start itself ended (its hand-over). In the
// same rounds it measures the same under a headless sway of its own (where
// sway is installed): the catalogue hidden by Escape, then `--pick` to the
// compositor giving its window the keyboard, beside the bare window's start
// to its keyboard focus there.
//
//   bench_warmpick [RUNS] [--program PATH] [--wm COMMAND]
//
// RUNS defaults to 7. The window manager is openbox, without its restore
// animation, unless COMMAND says otherwise; without one the catalogue cannot
// be minimized and nothing is measured. Everything runs in temporary homes; the session bus is
// handed on only when it is the benchmark's own (run_all.sh starts one), since the later start
// finds the running program there. It drives and watches the windows from outside, as a person
// would, so it needs an X display: bench/run_all.sh starts one under Xvfb. It prints figures and
// never fails a build.

#include "BenchMedian.h"
#include "BenchProcess.h"
#include "SwayObserver.h"
#include "X11Observer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 Millisecond = 1000000;
constexpr qint64 Second = 1000 * Millisecond;

// Whether pid still runs. At its end, the time goes to exitedAt, the CPU
// time it used to cpuMs and its time waiting for a core to waitMs (read
// before the process is reaped, while its figures are still there).
std::function<bool()> alive(pid_t pid, qint64* exitedAt = nullptr, double* cpuMs = nullptr,
                            double* waitMs = nullptr)
{
    return [pid, exitedAt, cpuMs, waitMs] {
        siginfo_t info = {};
        if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || !info.si_pid)
            return true;
        if (exitedAt)
            *exitedAt = X11Observer::now();
        if (waitMs) {
            QFile stat(QStringLiteral("/proc/%1/schedstat").arg(pid));
            *waitMs = stat.open(QIODevice::ReadOnly)
                          ? stat.readAll().split(' ').value(1).toLongLong() / 1e6
                          : NAN;
        }
        int status = 0;
        rusage usage = {};
        ::wait4(pid, &status, 0, &usage);
        if (cpuMs)
            *cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        return false;
    };
}

// Until the process has used no CPU for 100 ms; the observer reads its
// events meanwhile, so that none of them counts for the next run.
template <typename Observer> void settle(Observer& observer, pid_t pid)
{
    qint64 cpu = benchCpuTime(pid);
    qint64 since = X11Observer::now();
    observer.waitUntil(
        [&] {
            const qint64 now = X11Observer::now();
            if (now - since < 100 * Millisecond)
                return false;
            const qint64 used = benchCpuTime(pid);
            const bool idle = used - cpu < 2 * Millisecond;
            cpu = used;
            since = now;
            return idle;
        },
        X11Observer::now() + 30 * Second, alive(pid));
}

// A later start's times, in ms from its start: its end, the window mapped
// again, its focus, and the pick ready.
struct Pick
{
    double ended = NAN, mapped = NAN, focused = NAN, ready = NAN;
    // CPU time, in ms: the later start's whole life, and the running
    // program's and the compositor's from the later start to the pick ready.
    double laterCpu = NAN, runningCpu = NAN, compositorCpu = NAN;
    // Time waiting for a core, in ms: the later start's, and the running
    // program's until the pick ready.
    double laterWait = NAN, runningWait = NAN;
};

class Runner
{
public:
    explicit Runner(X11Observer& x)
        : m_x(x)
    {}

    // The bare window's start to its first painting, then its end.
    double bare(const QString& program, const QStringList& environment)
    {
        m_x.reset();
        const qint64 started = X11Observer::now();
        const pid_t pid = spawnBenchProgram(program, {}, environment);
        if (!pid)
            return NAN;
        const bool shown =
            m_x.waitUntil([&] { return m_x.firstPaint() != 0; }, started + 60 * Second, alive(pid));
        const double ms = shown ? (m_x.firstPaint() - started) / 1e6 : NAN;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        return ms;
    }

    // The running program's window minimized, a later start with --pick:
    // the times to the later start's end, to the window mapped again, to its
    // focus, and to its painting with the focus (the pick ready).
    Pick pick(pid_t running, const QString& program, const QStringList& environment)
    {
        m_x.minimizeFollowed();
        m_x.waitUntil([&] { return m_x.followed().unmapped != 0; },
                      X11Observer::now() + 10 * Second, alive(running));
        settle(m_x, running);
        m_x.resetFollowed();
        const qint64 runningBefore = benchCpuTime(running);
        const qint64 runningWaitBefore = benchRunQueueWait(running);
        const qint64 started = X11Observer::now();
        const pid_t later = spawnBenchProgram(program, {QStringLiteral("--pick")}, environment);
        if (!later)
            return {};
        qint64 ended = 0;
        double laterCpu = NAN, laterWait = NAN;
        const auto laterAlive = alive(later, &ended, &laterCpu, &laterWait);
        const bool done = m_x.waitUntil(
            [&] {
                if (!ended)
                    laterAlive();
                return ended && m_x.followed().paintedFocused;
            },
            started + 30 * Second, alive(running));
        const double runningCpu = (benchCpuTime(running) - runningBefore) / 1e6;
        const double runningWait = (benchRunQueueWait(running) - runningWaitBefore) / 1e6;
        if (!ended) {
            ::kill(later, SIGKILL);
            ::waitpid(later, nullptr, 0);
        }
        settle(m_x, running);
        const auto since = [started](qint64 time) { return time ? (time - started) / 1e6 : NAN; };
        const X11Observer::Followed& f = m_x.followed();
        return {.ended = since(ended),
                .mapped = since(f.mapped),
                .focused = since(f.focused),
                .ready = done ? since(f.paintedFocused) : NAN,
                .laterCpu = laterCpu,
                .runningCpu = done ? runningCpu : NAN,
                .laterWait = laterWait,
                .runningWait = done ? runningWait : NAN};
    }

private:
    X11Observer& m_x;
};

// The same under headless sway. sway has no minimized windows: the catalogue
// is hidden by Escape, as after a cancelled pick, and brought up by a later
// start with --pick; the pick is ready when the compositor gives its window
// the keyboard focus (sway maps a window only with its first frame drawn).
class SwayRunner
{
public:
    explicit SwayRunner(SwayObserver& sway)
        : m_sway(sway)
    {}

    // The bare window's start to its keyboard focus, then its end.
    double bare(const QString& program, const QStringList& environment)
    {
        m_sway.reset();
        const qint64 started = X11Observer::now();
        const pid_t pid = spawnBenchProgram(program, {}, environment);
        if (!pid)
            return NAN;
        const bool shown = m_sway.waitUntil([&] { return m_sway.window(pid).focused != 0; },
                                            started + 60 * Second, alive(pid));
        const double ms = shown ? (m_sway.window(pid).focused - started) / 1e6 : NAN;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        return ms;
    }

    // Escape pressed on a virtual keyboard (wtype) until the window of pid
    // is hidden. The keyboard joins a seat that had none: the window takes
    // it first, hence wtype's pause before the key.
    bool hide(pid_t pid, const QStringList& environment)
    {
        m_sway.reset();
        for (int attempt = 0; attempt < 3 && !m_sway.window(pid).closed; ++attempt) {
            const pid_t typer = spawnBenchProgram(QStringLiteral("wtype"),
                                                  {QStringLiteral("-s"), QStringLiteral("300"),
                                                   QStringLiteral("-k"), QStringLiteral("Escape")},
                                                  environment);
            if (!typer)
                return false;
            qint64 typed = 0;
            const auto typing = alive(typer, &typed);
            m_sway.waitUntil(
                [&] {
                    if (!typed)
                        typing();
                    return m_sway.window(pid).closed ||
                           (typed && X11Observer::now() - typed > 2 * Second);
                },
                X11Observer::now() + 10 * Second, alive(pid));
            if (!typed) {
                ::kill(typer, SIGKILL);
                ::waitpid(typer, nullptr, 0);
            }
        }
        return m_sway.window(pid).closed != 0;
    }

    // The running catalogue hidden, a later start with --pick: the times to
    // the later start's end, to the window mapped again and to its focus
    // (the pick ready).
    Pick pick(pid_t running, const QString& program, const QStringList& environment)
    {
        if (!hide(running, environment))
            return {};
        settle(m_sway, running);
        m_sway.reset();
        const qint64 runningBefore = benchCpuTime(running);
        const qint64 runningWaitBefore = benchRunQueueWait(running);
        const qint64 compositorBefore = benchCpuTime(pid_t(m_sway.pid()));
        const qint64 started = X11Observer::now();
        const pid_t later = spawnBenchProgram(program, {QStringLiteral("--pick")}, environment);
        if (!later)
            return {};
        qint64 ended = 0;
        double laterCpu = NAN, laterWait = NAN;
        const auto laterAlive = alive(later, &ended, &laterCpu, &laterWait);
        const bool done = m_sway.waitUntil(
            [&] {
                if (!ended)
                    laterAlive();
                return ended && m_sway.window(running).focused;
            },
            started + 30 * Second, alive(running));
        const double runningCpu = (benchCpuTime(running) - runningBefore) / 1e6;
        const double runningWait = (benchRunQueueWait(running) - runningWaitBefore) / 1e6;
        const double compositorCpu = (benchCpuTime(pid_t(m_sway.pid())) - compositorBefore) / 1e6;
        if (!ended) {
            ::kill(later, SIGKILL);
            ::waitpid(later, nullptr, 0);
        }
        settle(m_sway, running);
        const auto since = [started](qint64 time) { return time ? (time - started) / 1e6 : NAN; };
        const SwayObserver::Window w = m_sway.window(running);
        return {.ended = since(ended),
                .mapped = since(w.mapped),
                .focused = since(w.focused),
                .ready = done ? since(w.focused) : NAN,
                .laterCpu = laterCpu,
                .runningCpu = done ? runningCpu : NAN,
                .compositorCpu = done ? compositorCpu : NAN,
                .laterWait = laterWait,
                .runningWait = done ? runningWait : NAN};
    }

private:
    SwayObserver& m_sway;
};

// environment for a client of the compositor at socket, on the session bus
// at address: no X display, Qt's Wayland platform.
QStringList onSway(QStringList environment, const QString& socket, const QString& address)
{
    environment.removeIf([](const QString& entry) {
        return entry.startsWith(QLatin1String("DISPLAY=")) ||
               entry.startsWith(QLatin1String("WAYLAND_DISPLAY=")) ||
               entry.startsWith(QLatin1String("QT_QPA_PLATFORM=")) ||
               entry.startsWith(QLatin1String("DBUS_SESSION_BUS_ADDRESS="));
    });
    return environment << QStringLiteral("QT_QPA_PLATFORM=wayland")
                       << QStringLiteral("WAYLAND_DISPLAY=") + socket
                       << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + address;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 7;
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/ZunoSmiley");
    QStringList windowManager;
    const QStringList arguments = app.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--program") && i + 1 < arguments.size())
            program = arguments[++i];
        else if (arguments[i] == QLatin1String("--wm") && i + 1 < arguments.size())
            windowManager = arguments[++i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        else
            runs = std::max(1, arguments[i].toInt());
    }
    QTextStream out(stdout);
    X11Observer x;
    if (!x.isValid()) {
        out << "bench_warmpick: " << x.why() << "; run bench/run_all.sh, which starts Xvfb\n";
        return 2;
    }
    if (!qEnvironmentVariableIsSet("ZUNO_BENCH_PRIVATE_BUS")) {
        out << "bench_warmpick: no session bus of its own; run bench/run_all.sh\n";
        return 2;
    }
    QTemporaryDir work;
    // Openbox animates a window's restore for 150 ms before it shows it: a
    // figure of the window manager, not of the program, so it is turned off.
    const QString openboxConfig = work.filePath(QStringLiteral("openbox-rc.xml"));
    if (QFile config(openboxConfig); config.open(QIODevice::WriteOnly))
        config.write("<openbox_config xmlns=\"http://openbox.org/3.4/rc\">"
                     "<theme><animateIconify>no</animateIconify></theme></openbox_config>\n");
    if (windowManager.isEmpty())
        windowManager = {QStringLiteral("openbox"), QStringLiteral("--sm-disable"),
                         QStringLiteral("--config-file"), openboxConfig};
    const QStringList wmEnvironment = benchEnvironment(work.filePath(QStringLiteral("home-wm")));
    pid_t wm = 0;
    if (!windowManager.isEmpty() &&
        !QStandardPaths::findExecutable(windowManager.first()).isEmpty())
        wm = spawnBenchProgram(windowManager.first(), windowManager.mid(1), wmEnvironment);
    if (!wm || !x.waitUntil([&] { return x.windowManagerRuns(); }, X11Observer::now() + 10 * Second,
                            [] { return true; })) {
        out << "bench_warmpick: no window manager (" << windowManager.join(QLatin1Char(' '))
            << "); nothing measured\n";
        if (wm)
            ::kill(wm, SIGTERM);
        return 2;
    }

    // The program as a copy in a folder of its own, its list files there.
    const QString programCopy = work.filePath(QStringLiteral("program/ZunoSmiley"));
    QDir().mkpath(work.filePath(QStringLiteral("program")));
    if (!copyBenchProgram(program, programCopy)) {
        out << "bench_warmpick: cannot copy " << program << '\n';
        ::kill(wm, SIGTERM);
        return 2;
    }
    const QString bareProgram =
        QCoreApplication::applicationDirPath() + QStringLiteral("/bench_bare");
    const QStringList bareEnvironment =
        benchEnvironment(work.filePath(QStringLiteral("home-bare")));
    const QStringList programEnvironment =
        benchEnvironment(work.filePath(QStringLiteral("home-program")));

    Runner runner(x);
    runner.bare(bareProgram, bareEnvironment); // unmeasured: per-user caches made
    x.reset();
    const pid_t running = spawnBenchProgram(programCopy, {}, programEnvironment);
    if (!running || !x.waitUntil([&] { return x.firstPaint() != 0; },
                                 X11Observer::now() + 60 * Second, alive(running))) {
        out << "bench_warmpick: the program did not show its window\n";
        ::kill(wm, SIGTERM);
        return 2;
    }
    settle(x, running);
    if (!x.follow(running)) {
        out << "bench_warmpick: the program's window has no _NET_WM_PID\n";
        ::kill(running, SIGTERM);
        ::kill(wm, SIGTERM);
        return 2;
    }
    runner.pick(running, programCopy, programEnvironment); // unmeasured

    // The same under headless sway, in the same rounds: a copy of the
    // program of its own (its list files beside it) on a session bus of the
    // benchmark's own, the X11 one's name being held by the program there.
    SwayObserver sway;
    QString swayWhy = sway.why();
    QProcess swayBus;
    QString swayBusAddress;
    if (sway.isValid()) {
        // It starts no service on request: a desktop portal started by it
        // would outlive the bus (the tests' private buses do the same).
        const QString busConfig = work.filePath(QStringLiteral("sway-bus.conf"));
        if (QFile config(busConfig); config.open(QIODevice::WriteOnly))
            config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                         "<auth>EXTERNAL</auth><policy context=\"default\">"
                         "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        swayBus.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + busConfig, QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (swayBus.waitForReadyRead(10000))
            swayBusAddress = QString::fromLocal8Bit(swayBus.readLine().trimmed());
        if (swayBusAddress.isEmpty())
            swayWhy = QStringLiteral("no session bus of its own (dbus-daemon)");
    }
    const QString swayProgram = work.filePath(QStringLiteral("program-sway/ZunoSmiley"));
    const QStringList swayBareEnvironment =
        onSway(benchEnvironment(work.filePath(QStringLiteral("home-bare-sway"))), sway.socket(),
               swayBusAddress);
    const QStringList swayEnvironment =
        onSway(benchEnvironment(work.filePath(QStringLiteral("home-program-sway"))), sway.socket(),
               swayBusAddress);
    SwayRunner swayRunner(sway);
    pid_t swayRunning = 0;
    if (!swayBusAddress.isEmpty()) {
        swayWhy.clear();
        if (QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty())
            swayWhy = QStringLiteral("wtype is not installed to hide the catalogue");
        else if (!QDir().mkpath(work.filePath(QStringLiteral("program-sway"))) ||
                 !copyBenchProgram(program, swayProgram))
            swayWhy = QStringLiteral("cannot copy ") + program;
    }
    if (!swayBusAddress.isEmpty() && swayWhy.isEmpty()) {
        swayRunner.bare(bareProgram, swayBareEnvironment); // unmeasured: per-user caches made
        sway.reset();
        // Started for a pick, so that Escape hides it.
        swayRunning = spawnBenchProgram(swayProgram, {QStringLiteral("--pick")}, swayEnvironment);
        if (!swayRunning || !sway.waitUntil([&] { return sway.window(swayRunning).focused != 0; },
                                            X11Observer::now() + 60 * Second, alive(swayRunning))) {
            swayWhy = QStringLiteral("the program did not take the keyboard under sway");
        } else {
            settle(sway, swayRunning);
            if (std::isnan(swayRunner.pick(swayRunning, swayProgram, swayEnvironment).ready))
                swayWhy = QStringLiteral("a pick under sway did not take the keyboard");
        }
    }

    out << "bench_warmpick: " << runs << " alternating runs, median; X display "
        << qEnvironmentVariable("DISPLAY") << " with " << windowManager.first();
    if (swayWhy.isEmpty())
        out << ", headless sway";
    out << "; program " << program << "\n";
    out.flush();
    QList<double> bareMs, readyMs, endedMs, mappedMs, focusedMs;
    QList<double> swayBareMs, swayReadyMs, swayEndedMs, swayMappedMs;
    QList<double> laterCpuMs, runningCpuMs, swayLaterCpuMs, swayRunningCpuMs, compositorCpuMs;
    QList<double> laterWaitMs, runningWaitMs, swayLaterWaitMs, swayRunningWaitMs;
    for (int r = 0; r < runs; ++r) {
        const auto measurePick = [&] {
            const Pick p = runner.pick(running, programCopy, programEnvironment);
            readyMs << p.ready;
            endedMs << p.ended;
            mappedMs << p.mapped;
            focusedMs << p.focused;
            laterCpuMs << p.laterCpu;
            runningCpuMs << p.runningCpu;
            laterWaitMs << p.laterWait;
            runningWaitMs << p.runningWait;
        };
        const auto measureSwayPick = [&] {
            if (!swayWhy.isEmpty())
                return;
            const Pick p = swayRunner.pick(swayRunning, swayProgram, swayEnvironment);
            swayReadyMs << p.ready;
            swayEndedMs << p.ended;
            swayMappedMs << p.mapped;
            swayLaterCpuMs << p.laterCpu;
            swayRunningCpuMs << p.runningCpu;
            compositorCpuMs << p.compositorCpu;
            swayLaterWaitMs << p.laterWait;
            swayRunningWaitMs << p.runningWait;
        };
        if (r % 2) {
            measurePick();
            measureSwayPick();
        }
        bareMs << runner.bare(bareProgram, bareEnvironment);
        if (swayWhy.isEmpty())
            swayBareMs << swayRunner.bare(bareProgram, swayBareEnvironment);
        if (!(r % 2)) {
            measurePick();
            measureSwayPick();
        }
    }
    ::kill(running, SIGTERM);
    ::waitpid(running, nullptr, 0);
    if (swayRunning) {
        ::kill(swayRunning, SIGTERM);
        ::waitpid(swayRunning, nullptr, 0);
    }
    ::kill(wm, SIGTERM);
    ::waitpid(wm, nullptr, 0);
    swayBus.terminate();
    swayBus.waitForFinished(10000);

    const double bare = benchMedian(bareMs), ready = benchMedian(readyMs);
    const auto line = [&out](const char* what, double ms) {
        out << QStringLiteral("%1 %2\n")
                   .arg(QLatin1String(what), -48)
                   .arg(std::isnan(ms) ? QStringLiteral("-") : QString::number(ms, 'f', 1), 8);
    };
    const auto ratio = [](double ms, double reference) {
        return reference > 0 && !std::isnan(ms) ? QString::number(ms / reference, 'f', 2)
                                                : QStringLiteral("-");
    };
    out << QStringLiteral("%1 %2\n")
               .arg(QStringLiteral("from the start of"), -48)
               .arg(QStringLiteral("ms"), 8);
    line("bare Qt window: its first painting", bare);
    line("ZunoSmiley --pick: its end (handed over)", benchMedian(endedMs));
    line("  the catalogue window mapped again", benchMedian(mappedMs));
    line("  the catalogue window focused", benchMedian(focusedMs));
    line("  the catalogue painted focused: the pick ready", ready);
    line("  CPU time of the later start (ms)", benchMedian(laterCpuMs));
    line("  CPU time of the catalogue until ready (ms)", benchMedian(runningCpuMs));
    line("  the later start waiting for a core (ms)", benchMedian(laterWaitMs));
    line("  the catalogue waiting for a core (ms)", benchMedian(runningWaitMs));
    out << "under headless sway (ready: the compositor gives the window the keyboard)\n";
    if (!swayWhy.isEmpty())
        out << "  nothing measured: " << swayWhy << '\n';
    const double swayBare = benchMedian(swayBareMs), swayReady = benchMedian(swayReadyMs);
    line("bare Qt window: focused", swayBare);
    line("ZunoSmiley --pick: its end (handed over)", benchMedian(swayEndedMs));
    line("  the catalogue window mapped again", benchMedian(swayMappedMs));
    line("  the catalogue window focused: the pick ready", swayReady);
    line("  CPU time of the later start (ms)", benchMedian(swayLaterCpuMs));
    line("  CPU time of the catalogue until ready (ms)", benchMedian(swayRunningCpuMs));
    line("  CPU time of the compositor until ready (ms)", benchMedian(compositorCpuMs));
    line("  the later start waiting for a core (ms)", benchMedian(swayLaterWaitMs));
    line("  the catalogue waiting for a core (ms)", benchMedian(swayRunningWaitMs));
    out << "warm pick ready in " << QString::number(ready, 'f', 1) << " ms on X11, "
        << ratio(ready, bare) << "x the bare window's start; "
        << (std::isnan(swayReady) ? QStringLiteral("-") : QString::number(swayReady, 'f', 1))
        << " ms under sway, " << ratio(swayReady, swayBare) << "x\n";
    return 0;
}
