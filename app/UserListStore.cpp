#include "UserListStore.h"

#include "DuplicateRule.h"
#include "UserListFile.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>

#include <sys/stat.h>

// One trip to the file, on the store's thread: the pending changes written
// (or, with none, the file read) and what the file holds afterwards.
struct UserListStore::Trip
{
    QList<UserListChange> changes;
    QSet<QString> builtInKeys;
    AtomicFileWriter::Result result;
    UserListChange::Entries entries;

    // With no changes the file is only read; the entries are what a load
    // would take from it.
    void run(const QString& path)
    {
        if (!changes.isEmpty()) {
            result = UserListFile::merge(path, changes, builtInKeys, &entries);
            return;
        }
        result = UserListFile::read(path, &entries);
        UserListFile::keepLoadable(entries, builtInKeys);
    }
};

namespace {

// An outside change comes as a burst of events (a temporary file, a rename,
// a lock file); one read after the burst is enough, well within a second.
constexpr int SettleMilliseconds = 150;

} // namespace

UserListStore::UserListStore(const QString& path, Reader reader, QObject* parent)
    : QObject(parent)
    , m_path(path)
    , m_reader(std::move(reader))
{
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMilliseconds);
    connect(m_settle, &QTimer::timeout, this, &UserListStore::start);
}

UserListStore::~UserListStore()
{
    if (m_job) {
        m_job->wait();
        delete m_job;
    }
}

void UserListStore::stop()
{
    if (m_job) {
        m_job->wait();
        ++m_ticket;
        m_job = nullptr;
    }
    m_settle->stop();
    delete m_watcher;
    m_watcher = nullptr;
    m_stopped = true;
}

void UserListStore::load()
{
    m_loadedStamp = FileStamp::of(path());
    m_readInPart = m_reader(path()).cut();
    if (m_readInPart) {
        // Every write refuses such a file; the user hears it now, and at
        // every change of theirs that cannot be saved.
        m_failing = true;
        Q_EMIT writeFailed(readInPart());
    }
    follow();
}

void UserListStore::reload()
{
    const bool wasInPart = m_readInPart;
    m_loadedStamp = FileStamp::of(path());
    m_readInPart = m_reader(path()).cut();
    if (m_readInPart && !wasInPart) {
        m_failing = true;
        Q_EMIT writeFailed(readInPart());
    }
}

void UserListStore::follow()
{
    if (m_stopped)
        return;
    // The folder too: an atomic replace puts a new file in the old one's
    // place, and a watch on the file alone ends with the old one.
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        const auto changed = [this] { m_settle->start(); };
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    }
    const QString file = path();
    const QString folder = QFileInfo(file).absolutePath();
    if (!m_watcher->directories().contains(folder) && QFileInfo(folder).isDir())
        m_watcher->addPath(folder);
    if (!m_watcher->files().contains(file) && QFileInfo(file).isFile())
        m_watcher->addPath(file);
}

void UserListStore::setBuiltInTexts(const QStringList& texts)
{
    m_builtInKeys.clear();
    for (const QString& text : texts)
        m_builtInKeys.insert(DuplicateRule::key(text));
}

UserListStore::Result UserListStore::readInPart() const
{
    return {AtomicFileWriter::Failure::TooLarge, 0,
            QStringLiteral("%1 was read only in part").arg(path())};
}

void UserListStore::record(const UserListChange& change)
{
    m_pending.append(change);
    // The change stays in the window; the user learns at once that the file
    // will not take it, rather than at the close.
    if (m_readInPart)
        Q_EMIT writeFailed(readInPart());
    start();
}

void UserListStore::start()
{
    if (m_stopped)
        return;
    if (m_job) {
        m_again = true;
        return;
    }
    m_again = false;
    m_loadedStamp.reset();
    // The thread works on a copy: the window goes on changing the list.
    m_trip = std::make_shared<Trip>();
    m_trip->changes = m_pending;
    m_trip->builtInKeys = m_builtInKeys;
    QThread* job = QThread::create([trip = m_trip, path = path()] { trip->run(path); });
    m_job = job;
    // A trip that flush() has taken over already is over when this arrives.
    const quint64 ticket = ++m_ticket;
    connect(job, &QThread::finished, this, [this, job, ticket] {
        job->deleteLater();
        if (ticket != m_ticket)
            return;
        m_job = nullptr;
        finish(*m_trip, true);
        if (m_again)
            start();
    });
    job->start();
}

void UserListStore::finish(Trip& trip, bool announce)
{
    follow();
    if (!trip.result) {
        // A file that cannot be read now is no reason to forget anything.
        if (!trip.changes.isEmpty() && announce && !m_failing)
            Q_EMIT writeFailed(trip.result);
        m_failing = m_failing || !trip.changes.isEmpty();
        return;
    }
    m_pending.remove(0, std::min(trip.changes.size(), m_pending.size()));
    if (!trip.changes.isEmpty())
        m_failing = false;
    // The file was made smaller meanwhile and read whole.
    m_readInPart = false;
    UserListChange::Entries entries = std::move(trip.entries);
    UserListChange::applyAll(entries, m_pending);
    Q_EMIT entriesChanged(entries);
    // Freeing a long list takes the window milliseconds; a pool thread has
    // them to spare.
    QThreadPool::globalInstance()->start([doomed = std::move(entries)] {});
}

std::optional<UserListStore::FileStamp> UserListStore::FileStamp::of(const QString& path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    const auto nanoseconds = [](const timespec& t) {
        return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    return FileStamp{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                     nanoseconds(status.st_mtim), nanoseconds(status.st_ctim)};
}

bool UserListStore::flushRows(Result* result)
{
    if (!m_pending.isEmpty() || !m_rows || !m_loadedStamp || m_readInPart)
        return false;
    bool unchanged = false;
    *result = AtomicFileWriter::update(path(), [&](const QByteArray& present) {
        // Under the lock: nobody wrote the file since the load.
        unchanged = FileStamp::of(path()) == m_loadedStamp;
        return unchanged ? m_rows(present) : std::nullopt;
    });
    if (unchanged && result->ok())
        m_loadedStamp.reset();
    return unchanged;
}

UserListStore::Result UserListStore::flush()
{
    if (m_job) {
        m_job->wait();
        ++m_ticket;
        m_job = nullptr;
        finish(*m_trip, false);
    }
    m_again = false;
    // The close writes even without a change, so that the file holds what
    // the next load takes, as one written from the list would.
    if (Result rows; flushRows(&rows))
        return rows;
    Trip trip;
    trip.changes = m_pending;
    trip.result = UserListFile::merge(path(), trip.changes, m_builtInKeys, &trip.entries);
    finish(trip, false);
    // A file left alone for its size loses nothing of the user's unless a
    // change of theirs is waiting for it.
    if (trip.result.failure == AtomicFileWriter::Failure::TooLarge && trip.changes.isEmpty())
        return {};
    return trip.result;
}
