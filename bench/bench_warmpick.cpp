// Prints how long a pick takes when the program already runs, minimized,
// under a window manager: from the start of `ZunoSmiley --pick` to the
// catalogue window mapped again, holding the input focus and painted with
// it (its filter field focused), beside a bare Qt window's start (bench_bare,
// to its first painting) in the same run, in turns; the median of RUNS each.
// It also prints when the later start itself ended (its hand-over).
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
#include "X11Observer.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 Millisecond = 1000000;
constexpr qint64 Second = 1000 * Millisecond;

class Runner
{
public:
    explicit Runner(X11Observer& x)
        : m_x(x)
    {}

    std::function<bool()> alive(pid_t pid, qint64* exitedAt = nullptr)
    {
        return [pid, exitedAt] {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) != pid)
                return true;
            if (exitedAt)
                *exitedAt = X11Observer::now();
            return false;
        };
    }

    // Until the process has used no CPU for 100 ms.
    void settle(pid_t pid)
    {
        qint64 cpu = benchCpuTime(pid);
        qint64 since = X11Observer::now();
        m_x.waitUntil(
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
    struct Pick
    {
        double ended = NAN, mapped = NAN, focused = NAN, ready = NAN;
    };
    Pick pick(pid_t running, const QString& program, const QStringList& environment)
    {
        m_x.minimizeFollowed();
        m_x.waitUntil([&] { return m_x.followed().unmapped != 0; },
                      X11Observer::now() + 10 * Second, alive(running));
        settle(running);
        m_x.resetFollowed();
        const qint64 started = X11Observer::now();
        const pid_t later = spawnBenchProgram(program, {QStringLiteral("--pick")}, environment);
        if (!later)
            return {};
        qint64 ended = 0;
        const auto laterAlive = alive(later, &ended);
        const bool done = m_x.waitUntil(
            [&] {
                if (!ended)
                    laterAlive();
                return ended && m_x.followed().paintedFocused;
            },
            started + 30 * Second, alive(running));
        if (!ended) {
            ::kill(later, SIGKILL);
            ::waitpid(later, nullptr, 0);
        }
        settle(running);
        const auto since = [started](qint64 time) { return time ? (time - started) / 1e6 : NAN; };
        const X11Observer::Followed& f = m_x.followed();
        return {since(ended), since(f.mapped), since(f.focused),
                done ? since(f.paintedFocused) : NAN};
    }

private:
    X11Observer& m_x;
};

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
    if (!QFile::copy(program, programCopy)) {
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
                                 X11Observer::now() + 60 * Second, runner.alive(running))) {
        out << "bench_warmpick: the program did not show its window\n";
        ::kill(wm, SIGTERM);
        return 2;
    }
    runner.settle(running);
    if (!x.follow(running)) {
        out << "bench_warmpick: the program's window has no _NET_WM_PID\n";
        ::kill(running, SIGTERM);
        ::kill(wm, SIGTERM);
        return 2;
    }
    runner.pick(running, programCopy, programEnvironment); // unmeasured

    out << "bench_warmpick: " << runs << " alternating runs, median; X display "
        << qEnvironmentVariable("DISPLAY") << " with " << windowManager.first() << "; program "
        << program << "\n";
    out.flush();
    QList<double> bareMs, readyMs, endedMs, mappedMs, focusedMs;
    for (int r = 0; r < runs; ++r) {
        const auto measurePick = [&] {
            const Runner::Pick p = runner.pick(running, programCopy, programEnvironment);
            readyMs << p.ready;
            endedMs << p.ended;
            mappedMs << p.mapped;
            focusedMs << p.focused;
        };
        if (r % 2)
            measurePick();
        bareMs << runner.bare(bareProgram, bareEnvironment);
        if (!(r % 2))
            measurePick();
    }
    ::kill(running, SIGTERM);
    ::waitpid(running, nullptr, 0);
    ::kill(wm, SIGTERM);
    ::waitpid(wm, nullptr, 0);

    const double bare = benchMedian(bareMs), ready = benchMedian(readyMs);
    const auto line = [&out](const char* what, double ms) {
        out << QStringLiteral("%1 %2\n")
                   .arg(QLatin1String(what), -48)
                   .arg(std::isnan(ms) ? QStringLiteral("-") : QString::number(ms, 'f', 1), 8);
    };
    out << QStringLiteral("%1 %2\n")
               .arg(QStringLiteral("from the start of"), -48)
               .arg(QStringLiteral("ms"), 8);
    line("bare Qt window: its first painting", bare);
    line("ZunoSmiley --pick: its end (handed over)", benchMedian(endedMs));
    line("  the catalogue window mapped again", benchMedian(mappedMs));
    line("  the catalogue window focused", benchMedian(focusedMs));
    line("  the catalogue painted focused: the pick ready", ready);
    out << "warm pick ready in " << QString::number(ready, 'f', 1) << " ms, "
        << (bare > 0 ? QString::number(ready / bare, 'f', 2) : QStringLiteral("-"))
        << "x the bare window's start\n";
    return 0;
}
