#include "base/DetachedHelper.h"

#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// The longest report line read back; a helper that writes more is not one
// that answers its starter.
constexpr qsizetype MaximumReport = 256;

// A descriptor closed when it goes out of scope.
struct Descriptor
{
    explicit Descriptor(int opened)
        : fd(opened)
    {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    int fd;
};

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
// helper's dup2 onto them always makes a copy (which leaves close-on-exec)
// and never overwrites another one it still needs.
int aboveStandardStreams(int fd)
{
    if (fd < 0 || fd > STDERR_FILENO)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

// The text in an anonymous file of memory, read from its start; /dev/null
// for no text.
int inputFile(const QByteArray& text)
{
    if (text.isEmpty())
        return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    Descriptor file(::memfd_create("input", MFD_CLOEXEC));
    if (file.fd < 0)
        return -1;
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t written =
            ::write(file.fd, text.constData() + done, size_t(text.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return -1;
        done += written;
    }
    if (::lseek(file.fd, 0, SEEK_SET) != 0)
        return -1;
    return std::exchange(file.fd, -1);
}

// Whether the helper's program failed to start: its exec closes the status
// pipe unread, a failure writes its errno there first.
bool execFailed(int status)
{
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(status, &error, sizeof error);
        if (got < 0 && errno == EINTR)
            continue;
        return got != 0;
    }
}

// The line on fd, until its end or the deadline.
std::optional<QByteArray> readLine(int fd, QDeadlineTimer deadline)
{
    QByteArray line;
    for (;;) {
        if (deadline.hasExpired())
            return std::nullopt;
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char buffer[64];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || (got == 0 && line.isEmpty()))
            return std::nullopt;
        line.append(buffer, got);
        const qsizetype end = line.indexOf('\n');
        if (got == 0 || end >= 0)
            return (end < 0 ? line : line.first(end)).trimmed();
        if (line.size() > MaximumReport)
            return std::nullopt;
    }
}

} // namespace

DetachedHelper::DetachedHelper(QString program, QStringList arguments)
    : m_program(std::move(program))
    , m_arguments(std::move(arguments))
    , m_environment(QProcessEnvironment::systemEnvironment())
{}

bool DetachedHelper::start(const QByteArray& input)
{
    return launch(input, -1);
}

std::optional<QByteArray> DetachedHelper::startForReport(const QByteArray& input,
                                                         std::chrono::milliseconds bound)
{
    const Descriptor reading(startWatched(input));
    if (reading.fd < 0)
        return std::nullopt;
    return readLine(reading.fd, QDeadlineTimer(bound));
}

int DetachedHelper::startWatched(const QByteArray& input)
{
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return -1;
    Descriptor reading(report[0]);
    Descriptor writing(aboveStandardStreams(report[1]));
    if (writing.fd < 0 || !launch(input, writing.fd))
        return -1;
    // Only the helper holds the writing end now: its end is the output's.
    return std::exchange(reading.fd, -1);
}

std::optional<QByteArray> DetachedHelper::readInput()
{
    QByteArray text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            return text;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (text.size() + got > MaximumInput)
            return std::nullopt;
        text.append(buffer, got);
    }
}

bool DetachedHelper::launch(const QByteArray& input, int output)
{
    QByteArrayList environmentStrings;
    for (const QString& variable : m_environment.toStringList())
        environmentStrings << variable.toLocal8Bit();
    QByteArrayList argumentStrings{QFile::encodeName(m_program)};
    for (const QString& argument : m_arguments)
        argumentStrings << argument.toLocal8Bit();
    std::vector<char*> envp = pointersTo(environmentStrings);
    std::vector<char*> argv = pointersTo(argumentStrings);

    const Descriptor text(aboveStandardStreams(inputFile(input)));
    const Descriptor null(aboveStandardStreams(::open("/dev/null", O_RDWR | O_CLOEXEC)));
    int status[2];
    if (text.fd < 0 || null.fd < 0 || ::pipe2(status, O_CLOEXEC) != 0)
        return false;
    const Descriptor statusRead(status[0]);
    Descriptor statusWrite(aboveStandardStreams(status[1]));
    if (statusWrite.fd < 0)
        return false;
    if (output < 0)
        output = null.fd;
    const int statusFd = statusWrite.fd;
    constexpr int FirstOther = STDERR_FILENO + 1;

    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls from here: the starter may have threads.
        ::setsid();
        const pid_t helper = ::fork();
        if (helper != 0)
            ::_exit(helper < 0 ? 1 : 0);
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
        // Every descriptor above the standard streams closed but the status
        // pipe, which the exec closes.
        if (::dup2(text.fd, STDIN_FILENO) >= 0 && ::dup2(output, STDOUT_FILENO) >= 0 &&
            ::dup2(null.fd, STDERR_FILENO) >= 0 &&
            (statusFd == FirstOther || ::close_range(FirstOther, unsigned(statusFd - 1), 0) == 0) &&
            ::close_range(unsigned(statusFd + 1), ~0U, 0) == 0 && ::chdir("/") == 0)
            ::execve(argv[0], argv.data(), envp.data());
        const int error = errno;
        (void)!::write(statusFd, &error, sizeof error);
        ::_exit(127);
    }
    statusWrite.reset();
    if (child < 0)
        return false;
    int ended = 0;
    while (::waitpid(child, &ended, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(ended) && WEXITSTATUS(ended) == 0 && !execFailed(statusRead.fd);
}
