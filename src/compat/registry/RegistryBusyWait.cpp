#include "compat/registry/RegistryBusyWait.h"
#include "compat/registry/SqliteLibrary.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QRandomGenerator>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>

namespace {

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool sameState(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// What the process last saw of each store it waited for.
struct Seen
{
    struct stat state = {};
    qint64 unchangedSince = 0;
    qint64 lastWait = 0;
};

QMutex& seenLock()
{
    static QMutex lock;
    return lock;
}

QHash<QByteArray, Seen>& seenStores()
{
    static QHash<QByteArray, Seen> stores;
    return stores;
}

} // namespace

void RegistryBusyWait::attach(sqlite3* db, const QString& location)
{
    m_file = QFile::encodeName(location);
    sqlite().busy_handler(db, handler, this);
}

int RegistryBusyWait::handler(void* context, int attempt)
{
    return static_cast<RegistryBusyWait*>(context)->keepWaiting(attempt) ? 1 : 0;
}

bool RegistryBusyWait::keepWaiting(int attempt)
{
    const qint64 now = nowMs();
    struct stat state = {};
    ::stat(m_file.constData(), &state);
    {
        const QMutexLocker locker(&seenLock());
        Seen& seen = seenStores()[m_file];
        if (attempt == 0) {
            m_waitingSince = now;
            // A store still held, unchanged, by whoever held it at the last
            // wait: that wait's time counts.
            const bool sameHold = seen.lastWait != 0 && sameState(seen.state, state) &&
                                  now - seen.lastWait < DefaultTimeout.count();
            m_unchangedSince = sameHold ? seen.unchangedSince : now;
        } else if (!sameState(m_seen, state)) {
            m_unchangedSince = now;
        }
        m_seen = state;
        seen = {state, m_unchangedSince, now};
    }
    // A short wait stays short while other writers get on, too.
    const qint64 limit = std::min<qint64>(Limit.count(), LimitPerTimeout * m_timeout.count());
    if (now - m_unchangedSince >= m_timeout.count() || now - m_waitingSince >= limit) {
        return false;
    }
    const qint64 step = 200 + QRandomGenerator::global()->bounded(1800);
    QThread::usleep(std::min<qint64>(step, m_timeout.count() * 1000 / 4 + 1));
    return true;
}
