#include "lists/UserListStore.h"

#include "base/DamagedFile.h"
#include "catalogue/UserListReader.h"
#include "lists/DuplicateRule.h"
#include "lists/UserListFile.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

// One trip to the file, on the store's thread: the pending changes written
// (or, with none, the file read) and what the file holds afterwards.
struct UserListStore::Trip
{
    QList<UserListChange> changes;
    QSet<QString> builtInKeys;
    // What the last trip found in the file, shared by the store's trips,
    // which never run two at a time.
    std::shared_ptr<UserListFile::Known> known;
    // The file was read only in part: it is set aside before it is written.
    bool setAsideFirst = false;
    AtomicFileWriter::Result result;
    UserListChange::Entries entries;
    // Which changes the file holds now; entries is what it holds when any.
    QList<bool> written;
    bool setAside = false;

    static bool wouldBeTooLarge(const AtomicFileWriter::Result& result)
    {
        return result.failure == AtomicFileWriter::Failure::TooLarge && result.systemError == EFBIG;
    }

    // With no changes the file is only read; the entries are what a load
    // would take from it.
    void run(const QString& path)
    {
        written.fill(false, changes.size());
        if (changes.isEmpty()) {
            result = UserListFile::readLoadable(path, builtInKeys, &entries, known.get());
            return;
        }
        UserListChange::Entries part;
        if (setAsideFirst) {
            // What the window showed of the file stays the list, but for a
            // damaged line; the file itself is kept whole beside it.
            const auto sound = [&part](const QString& text, const QString& description) {
                if (!text.contains(QChar(0)) && !description.contains(QChar(0)))
                    part.append({text, description});
                return true;
            };
            UserListReader::readFile(path, sound);
            QString why;
            if (QFileInfo::exists(path) && DamagedFile::setAside(path, {}, &why).isEmpty()) {
                result = {AtomicFileWriter::Failure::Other, 0, why};
                return;
            }
            setAside = true;
        }
        result = UserListFile::merge(path, changes, builtInKeys, &entries,
                                     setAside ? &part : nullptr, known.get());
        if (result) {
            written.fill(true);
            return;
        }
        if (!wouldBeTooLarge(result) || changes.size() < 2)
            return;
        // The longest run of changes the file has room for, found by
        // halving (a few merges, whatever the count); the change after it is
        // refused. Later Adds would only grow the file further and wait for
        // room with it; the other changes are written.
        const auto write = [&](const QList<UserListChange>& run, qsizetype from,
                               const QList<qsizetype>& at) {
            UserListChange::Entries now;
            const AtomicFileWriter::Result one =
                UserListFile::merge(path, run, builtInKeys, &now, nullptr, known.get());
            if (one) {
                for (qsizetype i = 0; i < run.size(); ++i)
                    written[at.isEmpty() ? from + i : at.at(i)] = true;
                entries = std::move(now);
            }
            return one;
        };
        qsizetype fit = 0;
        for (qsizetype run = changes.size() / 2; run > 0 && fit < changes.size();) {
            const AtomicFileWriter::Result one = write(changes.mid(fit, run), fit, {});
            if (one)
                fit += run;
            else if (!wouldBeTooLarge(one))
                return void(result = one);
            run = std::min(one ? run : run / 2, changes.size() - fit);
        }
        QList<UserListChange> others;
        QList<qsizetype> at;
        for (qsizetype i = fit + 1; i < changes.size(); ++i) {
            if (!changes.at(i).isAdd()) {
                others << changes.at(i);
                at << i;
            }
        }
        if (!others.isEmpty())
            if (const AtomicFileWriter::Result one = write(others, 0, at);
                !one && !wouldBeTooLarge(one))
                result = one;
    }
};

namespace {

// An outside change comes as a burst of events (a temporary file, a rename,
// a lock file); one read after the burst is enough, well within a second.
constexpr int SettleMilliseconds = 150;
// A lock's name taken by something else, or a link in the way, may be freed
// at any moment; a change waiting for it is tried again this often.
constexpr int RetryMilliseconds = 2000;

} // namespace

UserListStore::UserListStore(const QString& path, Reader reader, QObject* parent)
    : QObject(parent)
    , m_path(path)
    , m_reader(std::move(reader))
    , m_known(std::make_shared<UserListFile::Known>())
{
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMilliseconds);
    connect(m_settle, &QTimer::timeout, this, &UserListStore::start);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryMilliseconds);
    connect(m_retry, &QTimer::timeout, this, &UserListStore::start);
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
    m_retry->stop();
    delete m_watcher;
    m_watcher = nullptr;
    m_stopped = true;
}

void UserListStore::load()
{
    m_readInPart = m_reader(path()).lossy();
    follow();
}

void UserListStore::reload()
{
    m_readInPart = m_reader(path()).lossy();
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
    if (m_watcher->files().contains(file))
        return;
    // A file that cannot be watched (unreadable) is tried again only once
    // it is another file, not at every event of the folder.
    struct stat status = {};
    if (::stat(QFile::encodeName(file).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return;
    const auto identity =
        std::pair(quint64(status.st_ino),
                  qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec);
    if (identity == m_unwatchable)
        return;
    if (!m_watcher->addPath(file))
        m_unwatchable = identity;
}

void UserListStore::setBuiltInTexts(const QStringList& texts)
{
    m_builtInKeys.clear();
    for (const QString& text : texts)
        m_builtInKeys.insert(DuplicateRule::key(text));
}

void UserListStore::record(const UserListChange& change)
{
    m_pending.append(change);
    start();
}

void UserListStore::recordAll(QList<UserListChange> changes)
{
    if (changes.isEmpty())
        return;
    // Moved, not copied: an import's batch holds a million changes.
    if (m_pending.isEmpty())
        m_pending = std::move(changes);
    else
        m_pending.append(std::move(changes));
    start();
}

void UserListStore::retryLater(const Result& result)
{
    // A file too large for a change stays so until it changes, which the
    // watch tells.
    if (!m_pending.isEmpty() && !Trip::wouldBeTooLarge(result) && !m_stopped)
        m_retry->start();
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
    m_retry->stop();
    // The thread works on a copy: the window goes on changing the list.
    m_trip = std::make_shared<Trip>();
    m_trip->changes = m_pending;
    m_trip->builtInKeys = m_builtInKeys;
    m_trip->setAsideFirst = m_readInPart;
    m_trip->known = m_known;
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
    if (trip.setAside)
        m_readInPart = false;
    // The changes the file took go; the others stay pending, and shown.
    // In one pass: an import's batches pile up behind the one being
    // written, and removing changes one by one would move them all each time.
    const qsizetype tried = std::min(trip.changes.size(), m_pending.size());
    bool anyWritten = false;
    QList<UserListChange> still;
    still.reserve(m_pending.size());
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        if (i < tried && trip.written.value(i))
            anyWritten = true;
        else
            still.append(m_pending.at(i));
    }
    m_pending = std::move(still);
    // The trip's copy of an import's batch is the last one left: freeing a
    // million changes would hold the window up, a pool thread does it.
    const bool triedAny = !trip.changes.isEmpty();
    QThreadPool::globalInstance()->start([doomed = std::move(trip.changes)] {});
    if (!trip.result) {
        // A file that cannot be read now is no reason to forget anything.
        // A change refused for the size is told each time, as the user made
        // it; any other reason once, until a write succeeds.
        const bool tell =
            Trip::wouldBeTooLarge(trip.result) ? !trip.written.value(tried - 1, true) : !m_failing;
        if (triedAny && announce && tell)
            Q_EMIT writeFailed(trip.result);
        m_failing = m_failing || triedAny;
        retryLater(trip.result);
        if (!anyWritten)
            return;
    } else {
        if (triedAny)
            m_failing = false;
        // The file was made smaller meanwhile and read whole.
        m_readInPart = false;
    }
    UserListChange::Entries entries = std::move(trip.entries);
    UserListChange::applyAll(entries, m_pending);
    Q_EMIT entriesChanged(entries);
    // Freeing a long list takes the window milliseconds; a pool thread has
    // them to spare.
    QThreadPool::globalInstance()->start([doomed = std::move(entries)] {});
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
    m_retry->stop();
    // Nothing of the user's to write: the file is left exactly as it is.
    if (m_pending.isEmpty())
        return {};
    Trip trip;
    trip.changes = m_pending;
    trip.builtInKeys = m_builtInKeys;
    trip.setAsideFirst = m_readInPart;
    trip.known = m_known;
    trip.run(path());
    finish(trip, false);
    return trip.result;
}
