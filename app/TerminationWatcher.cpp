#include "TerminationWatcher.h"

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
    // One request is enough: the next one gets the default action.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
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
    unsigned char byte = 0;
    if (::read(s_fds[1], &byte, 1) == 1)
        Q_EMIT terminationRequested(byte);
}
