#include "desktop/ClipboardHandover.h"

#include "base/InstallLayout.h"

#include <QByteArrayList>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcessEnvironment>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char KeeperName[] = "zuno-clipboard-keeper";
// Long enough for a keeper to start on a busy machine; the program is
// closing, so nobody waits on a window meanwhile.
constexpr int ReportTimeoutMs = 10000;

// A null-terminated array of pointers into strings that outlive it.
std::vector<char*> pointersTo(QByteArrayList& strings)
{
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (QByteArray& string : strings)
        pointers.push_back(string.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The descriptor moved above standard input, output and error, so that the
// keeper's dup2 onto them always makes a copy (which leaves close-on-exec).
int aboveStandardStreams(int fd)
{
    if (fd > STDERR_FILENO)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

bool writeAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t sent =
            ::send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        done += sent;
    }
    return true;
}

qint64 nowMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The keeper's one line, read until it closes its standard output.
QByteArray readReport(int fd)
{
    QByteArray report;
    const qint64 deadline = nowMs() + ReportTimeoutMs;
    for (;;) {
        const qint64 left = deadline - nowMs();
        if (left <= 0)
            return {};
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        char buffer[64];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return report.trimmed();
        report.append(buffer, got);
        if (report.size() > 256)
            return {};
    }
}

// Starts the keeper in a session of its own, reparented away from this
// process and holding none of its descriptors, and gives it the text; true
// when it reports the text safe.
bool startKeeper(const QString& program, const QString& platform, const QByteArray& text)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    QByteArrayList environmentStrings;
    for (const QString& variable : environment.toStringList())
        environmentStrings << variable.toLocal8Bit();
    QByteArrayList argumentStrings{QFile::encodeName(program)};
    std::vector<char*> envp = pointersTo(environmentStrings);
    std::vector<char*> argv = pointersTo(argumentStrings);

    // A socket for the text, so that a keeper gone early cannot raise
    // SIGPIPE here; a pipe for its report.
    int input[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0)
        return false;
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return false;
    }
    for (int* fd : {&input[0], &input[1], &report[0], &report[1]})
        *fd = aboveStandardStreams(*fd);
    const int null = aboveStandardStreams(::open("/dev/null", O_RDWR | O_CLOEXEC));

    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls from here: the program has threads.
        ::setsid();
        const pid_t keeper = ::fork();
        if (keeper != 0)
            ::_exit(keeper < 0 ? 1 : 0);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int signal : {SIGHUP, SIGINT, SIGPIPE, SIGTERM}) {
            struct sigaction byDefault
            {
            };
            byDefault.sa_handler = SIG_DFL;
            ::sigaction(signal, &byDefault, nullptr);
        }
        if (null < 0 || input[0] < 0 || report[1] < 0 || ::dup2(input[0], STDIN_FILENO) < 0 ||
            ::dup2(report[1], STDOUT_FILENO) < 0 || ::dup2(null, STDERR_FILENO) < 0)
            ::_exit(127);
        ::close_range(STDERR_FILENO + 1, ~0U, 0);
        if (::chdir("/") != 0)
            ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    for (int fd : {input[0], report[1], null})
        if (fd >= 0)
            ::close(fd);
    bool kept = false;
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (input[1] >= 0 && report[0] >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
            writeAll(input[1], text)) {
            ::shutdown(input[1], SHUT_WR);
            const QByteArray answer = readReport(report[0]);
            kept = answer == "kept" || answer == "manager";
        }
    }
    for (int fd : {input[1], report[0]})
        if (fd >= 0)
            ::close(fd);
    return kept;
}

} // namespace

QString ClipboardHandover::keeperProgram(const QString& programFolder)
{
    return InstallLayout::helperProgram(programFolder, QLatin1String(KeeperName));
}

bool ClipboardHandover::handOver()
{
    return handOver(keeperProgram(QCoreApplication::applicationDirPath()));
}

bool ClipboardHandover::handOver(const QString& keeperProgram)
{
    QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard || !clipboard->ownsClipboard())
        return false;
    const QString text = clipboard->text(QClipboard::Clipboard);
    if (text.isEmpty())
        return false;
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return false;
    if (!QFileInfo(keeperProgram).isExecutable()) {
        qWarning("The clipboard keeper %s is missing; the copied text ends with the program.",
                 qPrintable(QDir::toNativeSeparators(keeperProgram)));
        return false;
    }
    return startKeeper(keeperProgram, platform, text.toUtf8());
}
