#pragma once

#include <QObject>

class QSocketNotifier;

// Turns a termination request (SIGTERM, SIGHUP at the end of a session,
// SIGINT from a terminal) into a Qt signal on the user-interface thread, so
// that the program can close its window as the user would and keep what
// they typed. The handler stays installed: requests are only ever handed
// to the event loop, so a save under way always finishes.
class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    static void handleSignal(int signalNumber);

    QSocketNotifier* m_notifier = nullptr;
    static int s_fds[2];
};
