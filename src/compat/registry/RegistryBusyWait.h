#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

#include <sys/stat.h>

struct sqlite3;

// The wait of one class registry connection for a store another connection
// holds, in short jittered steps: SQLite's own handler backs off to 100 ms
// sleeps. Waiting is not fair (whoever asks just after a release gets the
// lock), so under load one writer may lose the race for seconds while the
// others write; the wait gives up only when the store has not changed for the
// timeout, or after LimitPerTimeout timeouts (at most Limit) in all. The store's file changes at
// every commit; it is looked at by name, since opening and closing it here would drop SQLite's own
// locks on it.
//
// How long the store has been unchanged is known to the whole process: a
// store that one wait gave up on, and that is still held and unchanged, makes
// the next wait give up at once, so that a caller making many calls on a
// store held for long is kept for one timeout, not one per call.
class RegistryBusyWait
{
public:
    static constexpr std::chrono::milliseconds DefaultTimeout{5000};
    static constexpr std::chrono::milliseconds Limit{60000};
    static constexpr int LimitPerTimeout = 12;

    // Becomes db's busy handler for the store at location.
    void attach(sqlite3* db, const QString& location);

    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds timeout() const { return m_timeout; }

private:
    static int handler(void* context, int attempt);
    bool keepWaiting(int attempt);

    QByteArray m_file;
    std::chrono::milliseconds m_timeout = DefaultTimeout;
    qint64 m_waitingSince = 0;
    qint64 m_unchangedSince = 0;
    struct stat m_seen = {};
};
