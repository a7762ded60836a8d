#include "base/TerminationWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

int TerminationWatcher::s_fds[2] = {-1, -1};

namespace {
constexpr int WatchedSignals[] = {SIGTERM, SIGHUP, SIGINT};
}

TerminationWatcher::TerminationWatcher(QObject* parent)
    : QObject(parent)
{
    if (s_fds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_fds) != 0)
        return;
    m_notifier = new QSocketNotifier(s_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatcher::readSignal);

    struct sigaction action = {};
    action.sa_handler = &TerminationWatcher::handleSignal;
    sigemptyset(&action.sa_mask);
    // The handler stays: a request while the program is saving waits for
    // the save, and one after the user chose to keep the window open
    // closes it again.
    action.sa_flags = SA_RESTART;
    for (int sig : WatchedSignals)
        ::sigaction(sig, &action, nullptr);
}

TerminationWatcher::~TerminationWatcher()
{
    for (int sig : WatchedSignals)
        ::signal(sig, SIG_DFL);
}

void TerminationWatcher::handleSignal(int signalNumber)
{
    // Only async-signal-safe work here: hand the number to the event loop.
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(s_fds[0], &byte, 1);
}

void TerminationWatcher::readSignal()
{
    // Requests that came together are one request.
    unsigned char bytes[64];
    const ssize_t count = ::recv(s_fds[1], bytes, sizeof bytes, MSG_DONTWAIT);
    if (count > 0)
        Q_EMIT terminationRequested(bytes[count - 1]);
}
