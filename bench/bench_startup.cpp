// Prints what the catalogue program costs a user, beside the floor program
// (bench_floor: the least Qt program that does the same job) and a bare Qt
// window (bench_bare: a tab strip and an empty list), all three started in
// the same run, in turns, as fresh processes on the X display:
//
// - start: from the start of the process to its window's first painting,
//   with user list files of 0, 1,000, 10,000, 100,000 and 300,000 entries in
//   each list, wall and CPU time;
// - switch: from the key that chooses the other language in the About page's
//   language box to the end of the window's painting after it;
// - close: from a termination request (SIGTERM, which closes the window as
//   its close box does, saving both lists) to the window gone, and to the
//   end of the process, whose CPU time the close figure counts;
// - peak: the process's peak resident memory (its maxrss at the end).
//
//   bench_startup [RUNS] [--program PATH] [--sizes N,N,...] [--wrap "COMMAND ARGS"]
//
// RUNS (default 3) starts of each per size, the median shown. The program is
// build/bin/ZunoSmiley beside this benchmark unless PATH says otherwise; it
// runs as a copy in a folder of its own, so that its list files live there.
// Everything runs in temporary homes; the session bus is handed on only when
// it is the benchmark's own (run_all.sh starts one). --wrap runs each measured start of the
// program under COMMAND, for a profile of the same scenario:
//   bench_startup 1 --sizes 100000 --wrap "valgrind --tool=callgrind
//   --callgrind-out-file=/tmp/cg.%p"
// (its figures are then the profiler's). The benchmark drives the windows from
// outside, as a person would (XTEST input, DAMAGE reports), so it needs an X
// display: bench/run_all.sh starts one under Xvfb. It prints figures and
// never fails a build.

#include "BenchMedian.h"
#include "BenchProcess.h"
#include "X11Observer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 Millisecond = 1000000;
constexpr qint64 Second = 1000 * Millisecond;

// Keysyms of the keys the benchmark types.
constexpr quint32 KeyTab = 0xff09;
constexpr quint32 KeyDown = 0xff54;

enum class Kind { Bare, Floor, Program };

const char* kindName(Kind kind)
{
    switch (kind) {
    case Kind::Bare:
        return "bare Qt window";
    case Kind::Floor:
        return "floor program";
    case Kind::Program:
        break;
    }
    return "program";
}

// One measured start, switch and close; times in milliseconds.
struct Figures
{
    double startMs = NAN, startCpuMs = NAN;
    double switchMs = NAN, switchCpuMs = NAN;
    double closeMs = NAN, exitMs = NAN, closeCpuMs = NAN;
    double peakMiB = NAN;
};

QByteArray listBytes(const QByteArray& prefix, int entries)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(entries) * 40);
    for (int i = 0; i < entries; ++i) {
        const QByteArray n = QByteArray::number(i);
        bytes += '"' + prefix + n +
                 "\",\"Entr\xc3\xa9"
                 "e num\xc3\xa9ro " +
                 n + "\"\r\n";
    }
    return bytes;
}

struct Lists
{
    QByteArray smileys, acronyms;
    void writeTo(const QString& folder) const
    {
        for (const auto& [name, bytes] : {std::pair{QStringLiteral("/Smileys.smy"), &smileys},
                                          std::pair{QStringLiteral("/Acronyms.acr"), &acronyms}}) {
            QFile file(folder + name);
            if (file.open(QIODevice::WriteOnly))
                file.write(*bytes);
        }
    }
};

class Runner
{
public:
    explicit Runner(X11Observer& x)
        : m_x(x)
    {}

    // Starts the program, waits for its window, switches the language when
    // it has a language box, closes it.
    Figures run(Kind kind, const QString& program, const QStringList& arguments,
                const QStringList& environment)
    {
        Figures f;
        m_x.reset();
        const qint64 started = X11Observer::now();
        const pid_t pid = spawnBenchProgram(program, arguments, environment);
        if (!pid)
            return f;
        m_pid = pid;
        m_exited = false;

        if (m_x.waitUntil([&] { return m_x.firstPaint() != 0; }, started + 120 * Second, alive())) {
            f.startCpuMs = benchCpuTime(pid) / 1e6;
            f.startMs = (m_x.firstPaint() - started) / 1e6;
            settle();
            if (kind != Kind::Bare)
                switchLanguage(f);
        }

        const qint64 cpuBefore = m_exited ? 0 : benchCpuTime(pid);
        const qint64 closing = X11Observer::now();
        if (!m_exited)
            ::kill(pid, SIGTERM);
        m_x.waitUntil([&] { return m_x.gone() != 0; }, closing + 60 * Second, alive());
        if (m_x.gone())
            f.closeMs = (m_x.gone() - closing) / 1e6;
        rusage usage = {};
        int status = 0;
        if (!m_exited) {
            // The close may still be saving; give it time, then end it.
            const qint64 deadline = X11Observer::now() + 120 * Second;
            while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
                if (X11Observer::now() > deadline) {
                    ::kill(pid, SIGKILL);
                    ::wait4(pid, &status, 0, &usage);
                    break;
                }
                ::usleep(1000);
            }
            f.exitMs = (X11Observer::now() - closing) / 1e6;
        } else {
            usage = m_usage;
            if (m_exitedAt >= closing)
                f.exitMs = (m_exitedAt - closing) / 1e6;
        }
        const qint64 cpuTotal = (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * Second +
                                (qint64(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000;
        f.closeCpuMs = (cpuTotal - cpuBefore) / 1e6;
        f.peakMiB = usage.ru_maxrss / 1024.0;
        return f;
    }

private:
    std::function<bool()> alive()
    {
        return [this] {
            if (m_exited)
                return false;
            int status = 0;
            if (::wait4(m_pid, &status, WNOHANG, &m_usage) == m_pid) {
                m_exited = true;
                m_exitedAt = X11Observer::now();
            }
            return !m_exited;
        };
    }

    // Until the window has painted nothing for a while and the process uses
    // no CPU: the start or the switch is over.
    void settle()
    {
        const qint64 deadline = X11Observer::now() + 60 * Second;
        qint64 cpu = benchCpuTime(m_pid);
        qint64 cpuSince = X11Observer::now();
        m_x.waitUntil(
            [&] {
                const qint64 now = X11Observer::now();
                if (now - cpuSince >= 100 * Millisecond) {
                    const qint64 used = benchCpuTime(m_pid);
                    const bool idle = used - cpu < 2 * Millisecond;
                    cpu = used;
                    cpuSince = now;
                    return idle && now - m_x.lastPaint() >= 300 * Millisecond;
                }
                return false;
            },
            deadline, alive());
    }

    // A click in the list makes the window take the keys, Ctrl+Tab twice
    // shows the About page with its language box in focus, and Down there
    // chooses the next language: the one measured key.
    void switchLanguage(Figures& f)
    {
        m_x.click(200, 300);
        m_x.movePointer(340, 20); // off the list: no selection follows the pointer
        settle();
        m_x.key(KeyTab, true);
        m_x.key(KeyTab, true);
        settle();
        const qint64 cpuBefore = benchCpuTime(m_pid);
        const qint64 painted = m_x.lastPaint();
        const qint64 pressed = X11Observer::now();
        m_x.key(KeyDown);
        if (!m_x.waitUntil([&] { return m_x.lastPaint() != painted; }, pressed + 60 * Second,
                           alive()))
            return;
        settle();
        f.switchMs = (m_x.lastPaint() - pressed) / 1e6;
        f.switchCpuMs = (benchCpuTime(m_pid) - cpuBefore) / 1e6;
    }

    X11Observer& m_x;
    pid_t m_pid = 0;
    bool m_exited = false;
    qint64 m_exitedAt = 0;
    rusage m_usage = {};
};

Figures median(const QList<Figures>& runs)
{
    auto pick = [&runs](double Figures::*field) {
        QList<double> values;
        for (const Figures& f : runs)
            values << f.*field;
        return benchMedian(values);
    };
    Figures m;
    for (double Figures::*field :
         {&Figures::startMs, &Figures::startCpuMs, &Figures::switchMs, &Figures::switchCpuMs,
          &Figures::closeMs, &Figures::exitMs, &Figures::closeCpuMs, &Figures::peakMiB})
        m.*field = pick(field);
    return m;
}

QString number(double value, int width, int precision = 1)
{
    return std::isnan(value) ? QStringLiteral("-").rightJustified(width)
                             : QString::number(value, 'f', precision).rightJustified(width);
}

QString ratio(double value, double reference, int width = 7)
{
    if (std::isnan(value) || std::isnan(reference) || reference <= 0)
        return QStringLiteral("-").rightJustified(width);
    return (QString::number(value / reference, 'f', 2) + QLatin1Char('x')).rightJustified(width);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 3;
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/ZunoSmiley");
    QList<int> sizes = {0, 1000, 10000, 100000, 300000};
    QStringList wrapper;
    const QStringList arguments = app.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--program") && i + 1 < arguments.size()) {
            program = arguments[++i];
        } else if (arguments[i] == QLatin1String("--wrap") && i + 1 < arguments.size()) {
            wrapper = arguments[++i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        } else if (arguments[i] == QLatin1String("--sizes") && i + 1 < arguments.size()) {
            sizes.clear();
            for (const QString& n : arguments[++i].split(QLatin1Char(',')))
                sizes << n.toInt();
            if (!sizes.contains(0))
                sizes.prepend(0); // the base of every "extra" figure
        } else {
            runs = std::max(1, arguments[i].toInt());
        }
    }
    QTextStream out(stdout);
    X11Observer x;
    if (!x.isValid()) {
        out << "bench_startup: " << x.why() << "; run bench/run_all.sh, which starts Xvfb\n";
        return 2;
    }
    const QString binDir = QCoreApplication::applicationDirPath();
    const QString floorProgram = binDir + QStringLiteral("/bench_floor");
    const QString bareProgram = binDir + QStringLiteral("/bench_bare");

    QTemporaryDir work;
    // The program as a copy in a folder of its own: the list files are kept
    // beside a program file in a writable folder.
    const QString programFolder = work.filePath(QStringLiteral("program"));
    const QString floorFolder = work.filePath(QStringLiteral("floor"));
    QDir().mkpath(programFolder);
    QDir().mkpath(floorFolder);
    const QString programCopy = programFolder + QStringLiteral("/ZunoSmiley");
    if (!copyBenchProgram(program, programCopy)) {
        out << "bench_startup: cannot copy " << program << '\n';
        return 2;
    }
    const QString programHome = work.filePath(QStringLiteral("home-program"));
    const QStringList environments[] = {
        benchEnvironment(work.filePath(QStringLiteral("home-bare"))),
        benchEnvironment(work.filePath(QStringLiteral("home-floor"))),
        benchEnvironment(programHome)};
    const QString settings = programHome + QStringLiteral("/config/ZunoSmileys/ZunoSmileys.conf");

    Runner runner(x);
    auto runOne = [&](Kind kind, const Lists& lists, bool measured = true) {
        switch (kind) {
        case Kind::Bare:
            return runner.run(kind, bareProgram, {}, environments[0]);
        case Kind::Floor:
            lists.writeTo(floorFolder);
            return runner.run(kind, floorProgram, {floorFolder}, environments[1]);
        case Kind::Program:
            break;
        }
        // Every start from the same files and the same (absent, so French)
        // setting.
        lists.writeTo(programFolder);
        QFile::remove(settings);
        if (measured && !wrapper.isEmpty())
            return runner.run(kind, wrapper.first(), wrapper.mid(1) << programCopy,
                              environments[2]);
        return runner.run(kind, programCopy, {}, environments[2]);
    };

    out << "bench_startup: " << runs << " alternating runs of each per size, median; X display "
        << qEnvironmentVariable("DISPLAY") << "; session bus "
        << (qEnvironmentVariableIsSet("ZUNO_BENCH_PRIVATE_BUS") ? "of its own" : "none")
        << "; program " << program << "\n\n";
    out.flush();
    // One unmeasured start of each, so that each finds its per-user caches
    // (fonts, the class registry store) as a user's desktop has them.
    for (Kind kind : {Kind::Bare, Kind::Floor, Kind::Program})
        runOne(kind, {}, false);

    const QString header = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                               .arg(QStringLiteral("entries/file"), -12)
                               .arg(QStringLiteral("who"), -15)
                               .arg(QStringLiteral("start ms"), 9)
                               .arg(QStringLiteral("cpu"), 7)
                               .arg(QStringLiteral("switch ms"), 10)
                               .arg(QStringLiteral("cpu"), 7)
                               .arg(QStringLiteral("close ms"), 9)
                               .arg(QStringLiteral("exit/cpu"), 14)
                               .arg(QStringLiteral("peak MiB"), 9);
    out << header << '\n';
    out.flush();
    QMap<int, Figures> bare, floor, prog;
    QMap<int, qint64> fileBytes; // of both list files
    QList<Figures> allBare;
    QList<Figures> builtInOnly[3]; // each kind's runs with the built-in lists alone
    for (int entries : sizes) {
        const Lists lists{listBytes(":-) ", entries), listBytes("ACR", entries)};
        fileBytes[entries] = lists.smileys.size() + lists.acronyms.size();
        QList<Figures> runsOf[3];
        for (int r = 0; r < runs; ++r) {
            // Alternating, and in another order each time.
            QList<Kind> order = {Kind::Bare, Kind::Floor, Kind::Program};
            std::rotate(order.begin(), order.begin() + r % 3, order.end());
            for (Kind kind : order)
                runsOf[int(kind)] << runOne(kind, lists);
        }
        allBare << runsOf[0];
        if (entries == 0)
            std::copy(std::begin(runsOf), std::end(runsOf), std::begin(builtInOnly));
        bare[entries] = median(runsOf[0]);
        floor[entries] = median(runsOf[1]);
        prog[entries] = median(runsOf[2]);
        for (Kind kind : {Kind::Bare, Kind::Floor, Kind::Program}) {
            const Figures& f = kind == Kind::Bare    ? bare[entries]
                               : kind == Kind::Floor ? floor[entries]
                                                     : prog[entries];
            out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8/%9 %10\n")
                       .arg(entries, 12)
                       .arg(QLatin1String(kindName(kind)), -15)
                       .arg(number(f.startMs, 9), number(f.startCpuMs, 7), number(f.switchMs, 10),
                            number(f.switchCpuMs, 7), number(f.closeMs, 9), number(f.exitMs, 7),
                            number(f.closeCpuMs, 6))
                       .arg(number(f.peakMiB, 9));
        }
        out.flush();
    }

    const Figures reference = median(allBare);
    const Figures& floor0 = floor[0];
    const Figures& prog0 = prog[0];
    out << "\nbare Qt window, all runs: start " << number(reference.startMs, 0) << " ms wall, "
        << number(reference.startCpuMs, 0) << " ms CPU, peak " << number(reference.peakMiB, 0)
        << " MiB\n";
    out << "start to shown window, built-in lists only: program "
        << ratio(prog0.startMs, reference.startMs, 0) << " wall, "
        << ratio(prog0.startCpuMs, reference.startCpuMs, 0) << " CPU of the bare window (floor "
        << ratio(floor0.startMs, reference.startMs, 0) << " wall, "
        << ratio(floor0.startCpuMs, reference.startCpuMs, 0) << " CPU)\n";
    // Each start beside the bare window's of the same round, moments apart:
    // what the machine's other load does to both mostly cancels out.
    const auto paired = [&builtInOnly](Kind kind, double Figures::*field) {
        QList<double> ratios;
        const QList<Figures>& runsOf = builtInOnly[int(kind)];
        for (qsizetype r = 0; r < std::min(runsOf.size(), builtInOnly[0].size()); ++r)
            ratios << runsOf.at(r).*field / builtInOnly[0].at(r).*field;
        return ratios.isEmpty() ? std::nan("") : benchMedian(ratios);
    };
    out << "the same, median of each round's own ratio: program "
        << number(paired(Kind::Program, &Figures::startMs), 0, 2) << "x wall, "
        << number(paired(Kind::Program, &Figures::startCpuMs), 0, 2) << "x CPU (floor "
        << number(paired(Kind::Floor, &Figures::startMs), 0, 2) << "x wall, "
        << number(paired(Kind::Floor, &Figures::startCpuMs), 0, 2) << "x CPU)\n\n";

    out << QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6\n")
               .arg(QStringLiteral("entries/file"), 12)
               .arg(QStringLiteral("extra start ms wall/cpu, x floor"), 38)
               .arg(QStringLiteral("switch ms wall/cpu, x floor"), 34)
               .arg(QStringLiteral("close ms wall/cpu, x floor"), 34)
               .arg(QStringLiteral("peak - bare MiB (floor)"), 23)
               .arg(QStringLiteral("extra start us/entry (floor)"), 28);
    for (int entries : sizes) {
        const Figures& p = prog[entries];
        const Figures& fl = floor[entries];
        const double extraWall = p.startMs - prog0.startMs;
        const double extraCpu = p.startCpuMs - prog0.startCpuMs;
        const double floorWall = fl.startMs - floor0.startMs;
        const double floorCpu = fl.startCpuMs - floor0.startCpuMs;
        const auto pair = [](double a, double b, double ra, double rb) {
            return number(a, 7) + QLatin1Char('/') + number(b, 6) + ratio(a, ra) + ratio(b, rb);
        };
        out << QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6\n")
                   .arg(entries, 12)
                   .arg(entries ? pair(extraWall, extraCpu, floorWall, floorCpu) : QString(), 38)
                   .arg(pair(p.switchMs, p.switchCpuMs, fl.switchMs, fl.switchCpuMs), 34)
                   .arg(pair(p.closeMs, p.closeCpuMs, fl.closeMs, fl.closeCpuMs), 34)
                   .arg(number(p.peakMiB - reference.peakMiB, 7) + QStringLiteral(" (") +
                            number(fl.peakMiB - reference.peakMiB, 0) + QLatin1Char(')'),
                        23)
                   .arg(entries
                            ? number(extraCpu * 1000 / (2.0 * entries), 8, 2) +
                                  QStringLiteral(" (") +
                                  number(floorCpu * 1000 / (2.0 * entries), 0, 2) + QLatin1Char(')')
                            : QString(),
                        28);
    }
    // Growth: the CPU per entry above the empty lists, from the smallest size
    // of at least 10,000 entries (below, a few milliseconds of noise outweigh
    // the entries) to the largest; 1.00 is linear.
    int first = sizes.size() > 1 ? sizes.at(1) : 0;
    for (int size : sizes) {
        if (size >= 10000 && size < sizes.last()) {
            first = size;
            break;
        }
    }
    const int last = sizes.last();
    if (first > 0 && last > first) {
        const auto growthOf = [&](const QMap<int, Figures>& of, double Figures::*field) {
            const double small = (of[first].*field - of[0].*field) / first;
            const double large = (of[last].*field - of[0].*field) / last;
            return large / small;
        };
        const auto growth = [&](const QMap<int, Figures>& of, double Figures::*field) {
            return number(growthOf(of, field), 0, 2);
        };
        // The entries' numbers grow longer with the list, and so do its
        // lines: per byte of the files, the same growth without that.
        const double longer = (double(fileBytes[last]) / last) / (double(fileBytes[first]) / first);
        out << "\ngrowth from " << first << " to " << last
            << " entries per file, CPU per entry above the empty lists (1.00 is linear):\n"
            << "  start: program " << growth(prog, &Figures::startCpuMs) << ", floor "
            << growth(floor, &Figures::startCpuMs) << "; switch: program "
            << growth(prog, &Figures::switchCpuMs) << ", floor "
            << growth(floor, &Figures::switchCpuMs) << "; close: program "
            << growth(prog, &Figures::closeCpuMs) << ", floor "
            << growth(floor, &Figures::closeCpuMs) << '\n'
            << "  a line of the files is " << number(longer, 0, 2) << " x as long at " << last
            << "; start per byte: program "
            << number(growthOf(prog, &Figures::startCpuMs) / longer, 0, 2) << ", floor "
            << number(growthOf(floor, &Figures::startCpuMs) / longer, 0, 2) << '\n';
    }
    out << "Add at N rows: bench_userlist_add.\n";
    return 0;
}
