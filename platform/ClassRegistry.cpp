#include "ClassRegistry.h"

#include "DamagedFile.h"
#include "RegularFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

using Status = ClassRegistry::Status;

Q_LOGGING_CATEGORY(lcClassRegistry, "zuno.registry")

namespace {

// How long a write waits for a lock that another process holds while the
// store does not change (a process that holds the lock and does nothing)...
constexpr qint64 BusyTimeoutMs = 5000;
// ... and at most while other writers get on.
constexpr qint64 BusyLimitMs = 60000;
// The longest key name the original registry accepts.
constexpr qsizetype MaxKeyNameLength = 255;

// Keys and values are found by their case-folded name and keep the name they
// were created with. SQLite's own NOCASE folds only ASCII, hence the column.
constexpr const char* SchemaSql = "CREATE TABLE IF NOT EXISTS keys("
                                  " id INTEGER PRIMARY KEY,"
                                  " parent INTEGER NOT NULL," // 0 is the root
                                  " name TEXT NOT NULL,"
                                  " folded TEXT NOT NULL,"
                                  " UNIQUE(parent, folded));"
                                  "CREATE TABLE IF NOT EXISTS key_values("
                                  " key INTEGER NOT NULL,"
                                  " name TEXT NOT NULL," // empty for the default value
                                  " folded TEXT NOT NULL,"
                                  " type INTEGER NOT NULL,"
                                  " data BLOB NOT NULL,"
                                  " PRIMARY KEY(key, folded)) WITHOUT ROWID;";

// The statements of one connection, prepared once and kept: parsing a
// statement costs more than running it on the few rows a registration reads.
// Keyed by the text's address (the literals of this file); cleared before the
// connection closes, since SQLite keeps a connection with statements alive.
class StatementCache
{
public:
    ~StatementCache() { clear(); }

    // A statement ready to bind, or null when none can be prepared (yet: a
    // table that does not exist); `*cached` tells whether it is the cache's.
    sqlite3_stmt* take(sqlite3* db, const char* sql, int* rc, bool* cached)
    {
        *cached = false;
        sqlite3_stmt*& kept = m_statements[sql];
        if (kept && !sqlite3_stmt_busy(kept)) {
            *rc = SQLITE_OK;
            *cached = true;
            return kept;
        }
        sqlite3_stmt* statement = nullptr;
        *rc = sqlite3_prepare_v3(db, sql, -1, kept ? 0 : SQLITE_PREPARE_PERSISTENT, &statement,
                                 nullptr);
        if (*rc != SQLITE_OK || kept) // a failure, or the kept one is in use: a one-off
            return statement;
        kept = statement;
        *cached = true;
        return statement;
    }

    void clear()
    {
        for (sqlite3_stmt* statement : std::as_const(m_statements))
            sqlite3_finalize(statement);
        m_statements.clear();
    }

private:
    QHash<const char*, sqlite3_stmt*> m_statements;
};

// A prepared statement for one call. When it goes out of scope it is reset
// (a kept one) or finalized, so that no read keeps a lock on the file once its
// call is over.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
    {
        m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    Statement(StatementCache& cache, sqlite3* db, const char* sql)
    {
        m_stmt = cache.take(db, sql, &m_rc, &m_cached);
    }
    ~Statement()
    {
        if (!m_cached) {
            sqlite3_finalize(m_stmt);
            return;
        }
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, qint64 value)
    {
        if (m_rc == SQLITE_OK)
            m_rc = sqlite3_bind_int64(m_stmt, index, value);
    }
    void bind(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        if (m_rc == SQLITE_OK)
            m_rc = sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()),
                                     SQLITE_TRANSIENT);
    }
    void bind(int index, const QByteArray& bytes)
    {
        if (m_rc != SQLITE_OK)
            return;
        // A zero-length blob, not NULL, for empty data.
        m_rc = bytes.isEmpty() ? sqlite3_bind_zeroblob(m_stmt, index, 0)
                               : sqlite3_bind_blob(m_stmt, index, bytes.constData(),
                                                   int(bytes.size()), SQLITE_TRANSIENT);
    }

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return m_rc == SQLITE_OK ? sqlite3_step(m_stmt) : m_rc; }

    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    QString text(int column) const
    {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(m_stmt, column));
    }
    QByteArray blob(int column) const
    {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
        return QByteArray(bytes, sqlite3_column_bytes(m_stmt, column));
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_OK;
    bool m_cached = false;
};

// A lookup's outcome from its first step: a row found, none, or a failure.
Status lookupStatus(int step)
{
    switch (step) {
    case SQLITE_ROW:
        return Status::Success;
    case SQLITE_DONE:
        return Status::NotFound;
    default:
        return Status::Failed;
    }
}

QString folded(const QString& name)
{
    return name.toCaseFolded();
}

// Why the store cannot hold a key name, or nothing when it can.
QString keyNameProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("an empty name (a leading, trailing or doubled \\)");
    if (name.size() > MaxKeyNameLength)
        return QStringLiteral("a name of %1 characters (at most %2)")
            .arg(name.size())
            .arg(MaxKeyNameLength);
    if (!QStringView(name).isValidUtf16())
        return QStringLiteral("a name that is not valid text");
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("a name holding the control character U+%1")
                .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return {};
}

// The segments of a key path, or InvalidName (and the reason in *problem) when
// one of them is empty (a leading, trailing or doubled separator), too long or
// holds a control character. The empty path is the root when the caller
// allows it.
Status splitPath(const QString& path, bool rootAllowed, QStringList* segments,
                 QString* problem = nullptr)
{
    segments->clear();
    if (path.isEmpty()) {
        if (rootAllowed)
            return Status::Success;
        if (problem)
            *problem = QStringLiteral("an empty key path");
        return Status::InvalidName;
    }
    *segments = path.split(QLatin1Char('\\'));
    for (const QString& segment : std::as_const(*segments)) {
        const QString why = keyNameProblem(segment);
        if (!why.isEmpty()) {
            if (problem)
                *problem = why;
            segments->clear();
            return Status::InvalidName;
        }
    }
    return Status::Success;
}

// A wait for the store's lock, in short jittered steps: SQLite's own
// handler backs off to 100 ms sleeps. Waiting is not fair (whoever asks just
// after a release gets the lock), so under load one writer may lose the race
// for seconds while the others write; it gives up only when the store has
// not changed for BusyTimeoutMs, or after BusyLimitMs in all. The store's
// file changes at every commit; it is looked at by name, since opening and
// closing it here would drop SQLite's own locks on it.
struct BusyWait
{
    QByteArray file;
    QElapsedTimer waiting;
    QElapsedTimer unchanged;
    struct stat seen = {};

    bool changed()
    {
        struct stat now = {};
        if (::stat(file.constData(), &now) != 0)
            return false;
        const bool differs = now.st_ino != seen.st_ino || now.st_size != seen.st_size ||
                             now.st_mtim.tv_sec != seen.st_mtim.tv_sec ||
                             now.st_mtim.tv_nsec != seen.st_mtim.tv_nsec;
        seen = now;
        return differs;
    }
};

int waitWhileBusy(void* context, int attempt)
{
    auto* wait = static_cast<BusyWait*>(context);
    if (attempt == 0) {
        wait->waiting.start();
        wait->unchanged.start();
        wait->changed();
    } else if (wait->changed()) {
        wait->unchanged.restart();
    }
    if (wait->unchanged.elapsed() >= BusyTimeoutMs || wait->waiting.elapsed() >= BusyLimitMs)
        return 0;
    QThread::usleep(200 + QRandomGenerator::global()->bounded(1800));
    return 1;
}

} // namespace

class ClassRegistry::Private
{
public:
    explicit Private(const QString& path)
        : location(path)
    {}
    ~Private() { closeDatabase(); }

    // Opens the file on first use. Without `create`, a store that does not
    // exist is NotFound and no file or folder is made. A damaged store is
    // Failed for a reader and set aside and made anew for a writer.
    Status open(bool create)
    {
        if (db)
            return Status::Success;
        if (location.isEmpty())
            return fail(QStringLiteral("there is no data folder"));
        const RegularFile::Kind kind = RegularFile::kind(location);
        if (!create && kind == RegularFile::Kind::Missing)
            return Status::NotFound;
        if (create && !QDir().mkpath(QFileInfo(location).absolutePath()))
            return fail(QStringLiteral("cannot create the folder of %1").arg(location));

        const Health health = inspect(kind, create);
        if (health == Health::Unusable) {
            closeDatabase(); // checked again at the next call
            return Status::Failed;
        }
        if (health == Health::Damaged) {
            closeDatabase();
            if (!create)
                return Status::Failed; // a reader leaves the store as it is
            if (setAside() != Status::Success || openDatabase(true) != Status::Success)
                return Status::Failed;
        }
        markSound();
        return Status::Success;
    }

    Status openDatabase(bool create)
    {
        int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
        if (create)
            flags |= SQLITE_OPEN_CREATE;
        sqlite3* handle = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(location).constData(), &handle, flags, nullptr) !=
            SQLITE_OK) {
            const QString reason = QString::fromUtf8(sqlite3_errmsg(handle));
            sqlite3_close_v2(handle);
            return fail(QStringLiteral("cannot open %1: %2").arg(location, reason));
        }
        db = handle;
        busyWait.file = QFile::encodeName(location);
        sqlite3_busy_handler(db, waitWhileBusy, &busyWait);
        return Status::Success;
    }

    void closeDatabase()
    {
        statements.clear();
        sqlite3_close_v2(db);
        db = nullptr;
    }

    // --- damage: checked once per process and store -----------------------

    enum class Health { Sound, Damaged, Unusable };

    // Opens the store and checks it, unless this process found it sound
    // before. Damaged: not a regular file, not a database, or a failed quick
    // check; the reason is kept in lastError. Unusable: it cannot be opened or
    // checked for another reason (permissions, locks, I/O), which is no damage.
    Health inspect(RegularFile::Kind kind, bool create)
    {
        if (kind == RegularFile::Kind::Folder || kind == RegularFile::Kind::Special) {
            lastError = kind == RegularFile::Kind::Folder
                            ? QStringLiteral("a folder is in its place")
                            : QStringLiteral("a pipe, a device or a socket is in its place");
            return Health::Damaged;
        }
        if (openDatabase(create) != Status::Success)
            return Health::Unusable;
        if (knownSound())
            return Health::Sound;
        ::stat(QFile::encodeName(location).constData(), &checkedFile);
        Statement check(db, "PRAGMA quick_check(1)");
        const int rc = check.step();
        if (rc == SQLITE_ROW) {
            const QString answer = check.text(0).simplified();
            if (answer == QLatin1String("ok"))
                return Health::Sound;
            lastError = QStringLiteral("its check failed: %1").arg(answer);
            return Health::Damaged;
        }
        lastError = QString::fromUtf8(sqlite3_errstr(rc));
        const int primary = rc & 0xff;
        return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT ? Health::Damaged
                                                                     : Health::Unusable;
    }

    // Renames the damaged store (and any journal of it) beside itself as
    // "registry.sqlite.damaged-<date>", never over an earlier one, so that
    // nothing of it is lost and a new store can take its place.
    Status setAside()
    {
        const QString damage = lastError;
        // Another process may have set it aside and made a new one meanwhile.
        struct stat now = {};
        if (::stat(QFile::encodeName(location).constData(), &now) == 0 && checkedFile.st_ino &&
            (now.st_ino != checkedFile.st_ino || now.st_dev != checkedFile.st_dev))
            return Status::Success;
        // The journal goes with it: left behind, it would be played into the new store.
        QString why;
        const QString target = DamagedFile::setAside(
            location, {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")},
            &why);
        if (target.isEmpty())
            return fail(QStringLiteral("cannot set aside the damaged store %1 (%2): %3")
                            .arg(location, damage, why));
        qCInfo(lcClassRegistry,
               "The class registry store %s was damaged (%s); it is kept "
               "as %s and a new store takes its place.",
               qUtf8Printable(location), qUtf8Printable(damage), qUtf8Printable(target));
        return Status::Success;
    }

    // Once per process and store: a store found sound is not checked again.
    static QMutex& soundStoresLock()
    {
        static QMutex lock;
        return lock;
    }
    static QSet<QString>& soundStores()
    {
        static QSet<QString> stores;
        return stores;
    }
    bool knownSound() const
    {
        const QMutexLocker locker(&soundStoresLock());
        return soundStores().contains(location);
    }
    void markSound() const
    {
        const QMutexLocker locker(&soundStoresLock());
        soundStores().insert(location);
    }

    Status fail(const QString& reason)
    {
        lastError = reason;
        return Status::Failed;
    }

    // Before a read: NotFound when the store has no file or no tables yet,
    // Failed when the file is not a store at all.
    Status openForRead()
    {
        const Status opened = open(false);
        if (opened != Status::Success || schemaPresent)
            return opened;
        Statement query = statement("SELECT 1 FROM sqlite_master WHERE type = 'table'"
                                    " AND name = 'key_values'");
        const Status found = lookupStatus(query.step());
        schemaPresent = found == Status::Success;
        return found;
    }

    // A statement of this connection's, kept for the next call.
    Statement statement(const char* sql) { return Statement(statements, db, sql); }

    // Runs one statement without rows (BEGIN, COMMIT...).
    bool run(const char* sql)
    {
        Statement command = statement(sql);
        return command.step() == SQLITE_DONE;
    }

    bool exec(const char* sql)
    {
        return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    // Whether the store holds already what a write would leave, answered in
    // one read transaction: a write repeated at every start (the program's
    // registrations) then neither takes the write lock nor touches the file,
    // and succeeds on a store that cannot be written. Any doubt (no store yet,
    // a store that cannot be read or is damaged) answers false, and the write
    // goes ahead as it would have.
    template <typename Check> bool holdsAlready(Check check)
    {
        if (openForRead() != Status::Success || !run("BEGIN"))
            return false;
        const bool holds = check();
        run("COMMIT");
        return holds;
    }

    // The value of the key as given: its type and bytes; the name's case is
    // the one it was first written with either way.
    bool valueHolds(qint64 key, const QString& name, quint32 type, const QByteArray& data)
    {
        Statement query =
            statement("SELECT type, data FROM key_values WHERE key = ? AND folded = ?");
        query.bind(1, key);
        query.bind(2, folded(name));
        return query.step() == SQLITE_ROW && quint32(query.integer(0)) == type &&
               query.blob(1) == data;
    }

    // Runs `body` as one short write transaction; the lock is taken up front
    // (BEGIN IMMEDIATE) so that two writers never deadlock on an upgrade.
    template <typename Body> Status write(Body body)
    {
        const Status status = writeOnce(body);
        // Damage that the quick check cannot see (a file cut inside its first
        // page) shows at the first write: set the store aside and write again.
        if (status != Status::Failed || !damageShown() || damageSetAside)
            return status;
        damageSetAside = true;
        lastError = lastDatabaseMessage;
        closeDatabase();
        schemaPresent = false;
        if (setAside() != Status::Success)
            return Status::Failed;
        return writeOnce(body);
    }

    template <typename Body> Status writeOnce(Body body)
    {
        const Status opened = open(true);
        if (opened != Status::Success)
            return opened;
        lastCode = SQLITE_OK;
        if (!run("BEGIN IMMEDIATE")) {
            lastCode = sqlite3_errcode(db);
            return fail(databaseError());
        }
        Status status = exec(SchemaSql) ? body() : Status::Failed;
        if (status == Status::Success && run("COMMIT")) {
            schemaPresent = true;
            ++writesMade;
            return Status::Success;
        }
        const QString reason = databaseError();
        lastCode = sqlite3_errcode(db);
        lastDatabaseMessage = QString::fromUtf8(sqlite3_errmsg(db));
        run("ROLLBACK");
        return status == Status::Success || status == Status::Failed ? fail(reason) : status;
    }

    // The last failed write met a damaged file rather than a busy or full one.
    bool damageShown() const
    {
        const int primary = lastCode & 0xff;
        return db && (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB);
    }

    QString databaseError() const
    {
        return QStringLiteral("cannot write %1: %2")
            .arg(location, QString::fromUtf8(sqlite3_errmsg(db)));
    }

    // A write the store cannot make, logged, since some callers (ShellLib2)
    // ignore the answer by design.
    Status refuse(Status status, const QString& path)
    {
        if (status == Status::InvalidName)
            qCWarning(lcClassRegistry, "The class registry store cannot hold the key \"%s\": %s.",
                      qUtf8Printable(path), qUtf8Printable(lastError));
        else if (status == Status::Failed)
            qCWarning(lcClassRegistry, "The class registry store refused the key \"%s\": %s.",
                      qUtf8Printable(path), qUtf8Printable(lastError));
        return status;
    }

    Status findChild(qint64 parent, const QString& name, qint64* id)
    {
        Statement query = statement("SELECT id FROM keys WHERE parent = ? AND folded = ?");
        query.bind(1, parent);
        query.bind(2, folded(name));
        const Status found = lookupStatus(query.step());
        if (found == Status::Success)
            *id = query.integer(0);
        return found;
    }

    Status findKey(const QStringList& segments, qint64* id)
    {
        *id = 0;
        for (const QString& segment : segments) {
            const Status found = findChild(*id, segment, id);
            if (found != Status::Success)
                return found;
        }
        return Status::Success;
    }

    // Inside a write transaction.
    Status createPath(const QStringList& segments, qint64* id)
    {
        *id = 0;
        for (const QString& segment : segments) {
            const Status found = findChild(*id, segment, id);
            if (found == Status::Success)
                continue;
            if (found != Status::NotFound)
                return found;
            Statement insert = statement("INSERT INTO keys(parent, name, folded) VALUES(?, ?, ?)");
            insert.bind(1, *id);
            insert.bind(2, segment);
            insert.bind(3, folded(segment));
            if (insert.step() != SQLITE_DONE)
                return Status::Failed;
            *id = sqlite3_last_insert_rowid(db);
        }
        return Status::Success;
    }

    // Inside a write transaction. A value written again keeps the case of the
    // name it was first written with, as the original registry does; one that
    // holds the same already is left alone, so that its page is not written.
    Status storeValue(qint64 key, const QString& name, quint32 type, const QByteArray& data)
    {
        if (valueHolds(key, name, type, data))
            return Status::Success;
        Statement upsert = statement("INSERT INTO key_values(key, name, folded, type, data)"
                                     " VALUES(?, ?, ?, ?, ?) ON CONFLICT(key, folded)"
                                     " DO UPDATE SET type = excluded.type, data = excluded.data");
        upsert.bind(1, key);
        upsert.bind(2, name);
        upsert.bind(3, folded(name));
        upsert.bind(4, qint64(type));
        upsert.bind(5, data);
        return upsert.step() == SQLITE_DONE ? Status::Success : Status::Failed;
    }

    Status keyExists(qint64 key)
    {
        Statement query = statement("SELECT 1 FROM keys WHERE id = ?");
        query.bind(1, key);
        return lookupStatus(query.step());
    }

    // The key at `path` for a reader; the empty path is the root (id 0).
    Status lookUp(const QString& path, qint64* id)
    {
        *id = 0;
        QStringList segments;
        const Status valid = splitPath(path, true, &segments, &lastError);
        if (valid != Status::Success)
            return valid;
        const Status opened = openForRead();
        if (opened != Status::Success)
            return opened;
        return findKey(segments, id);
    }

    Handle registerHandle(qint64 id)
    {
        const Handle handle = nextHandle++;
        openKeys.insert(handle, id);
        return handle;
    }

    QString location;
    QString lastError;
    int lastCode = SQLITE_OK;
    QString lastDatabaseMessage;
    bool damageSetAside = false;
    quint64 writesMade = 0;
    struct stat checkedFile = {};
    sqlite3* db = nullptr;
    StatementCache statements;
    bool schemaPresent = false;
    BusyWait busyWait;
    QHash<Handle, qint64> openKeys;
    Handle nextHandle = 1;
};

QString ClassRegistry::defaultLocation()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    return data + QStringLiteral("/ZunoSmileys/registry.sqlite");
}

ClassRegistry::ClassRegistry(const QString& location)
    : d(std::make_unique<Private>(location))
{}

ClassRegistry::~ClassRegistry() = default;

QString ClassRegistry::location() const
{
    return d->location;
}

quint64 ClassRegistry::writes() const
{
    return d->writesMade;
}

QString ClassRegistry::errorString() const
{
    return d->lastError;
}

ClassRegistry::Status ClassRegistry::createKey(const QString& path, Handle* key)
{
    if (key)
        *key = 0;
    QStringList segments;
    const Status valid = splitPath(path, false, &segments, &d->lastError);
    if (valid != Status::Success)
        return d->refuse(valid, path);
    qint64 id = 0;
    const bool exists =
        d->holdsAlready([&] { return d->findKey(segments, &id) == Status::Success; });
    const Status status =
        exists ? Status::Success : d->write([&] { return d->createPath(segments, &id); });
    if (status == Status::Success && key)
        *key = d->registerHandle(id);
    return d->refuse(status, path);
}

ClassRegistry::Status ClassRegistry::openKey(const QString& path, Handle* key)
{
    if (key)
        *key = 0;
    if (path.isEmpty())
        return Status::InvalidName;
    qint64 id = 0;
    const Status status = d->lookUp(path, &id);
    if (status == Status::Success && key)
        *key = d->registerHandle(id);
    return status;
}

ClassRegistry::Status ClassRegistry::closeKey(Handle key)
{
    return d->openKeys.remove(key) ? Status::Success : Status::InvalidHandle;
}

ClassRegistry::Status ClassRegistry::setValue(Handle key, const QString& name, quint32 type,
                                              const QByteArray& data)
{
    const auto open = d->openKeys.constFind(key);
    if (open == d->openKeys.cend())
        return Status::InvalidHandle;
    const qint64 id = open.value();
    if (d->holdsAlready([&] {
            return d->keyExists(id) == Status::Success && d->valueHolds(id, name, type, data);
        }))
        return Status::Success;
    const Status status = d->write([&] {
        const Status exists = d->keyExists(id);
        return exists == Status::Success ? d->storeValue(id, name, type, data) : exists;
    });
    return d->refuse(status, name.isEmpty() ? QStringLiteral("(default value)") : name);
}

ClassRegistry::Status ClassRegistry::setDefaultString(const QString& path, const QString& text)
{
    QStringList segments;
    const Status valid = splitPath(path, false, &segments, &d->lastError);
    if (valid != Status::Success)
        return d->refuse(valid, path);
    QByteArray data = text.toUtf8();
    data.append('\0');
    if (d->holdsAlready([&] {
            qint64 id = 0;
            return d->findKey(segments, &id) == Status::Success &&
                   d->valueHolds(id, QString(), String, data);
        }))
        return Status::Success;
    const Status status = d->write([&] {
        qint64 id = 0;
        const Status created = d->createPath(segments, &id);
        return created == Status::Success ? d->storeValue(id, QString(), String, data) : created;
    });
    return d->refuse(status, path);
}

ClassRegistry::Status ClassRegistry::queryDefaultValue(const QString& path, qsizetype bufferSize,
                                                       QString* text)
{
    text->clear();
    if (path.isEmpty())
        return Status::InvalidName;
    qint64 id = 0;
    const Status found = d->lookUp(path, &id);
    if (found != Status::Success)
        return found;
    Statement query =
        d->statement("SELECT type, data FROM key_values WHERE key = ? AND folded = ''");
    query.bind(1, id);
    if (const Status value = lookupStatus(query.step()); value != Status::Success)
        return value;
    if (query.integer(0) != String)
        return Status::NotFound; // a default value that is no string reads as none
    QByteArray data = query.blob(1);
    if (data.endsWith('\0'))
        data.chop(1);
    if (data.size() + 1 > bufferSize)
        return Status::MoreData;
    *text = QString::fromUtf8(data);
    return Status::Success;
}

ClassRegistry::Status ClassRegistry::values(const QString& path, QList<Value>* values)
{
    values->clear();
    qint64 id = 0;
    const Status found = d->lookUp(path, &id);
    if (found == Status::NotFound && path.isEmpty())
        return Status::Success; // a store not yet written has an empty root
    if (found != Status::Success)
        return found;
    Statement query = d->statement("SELECT name, type, data FROM key_values WHERE key = ?"
                                   " ORDER BY folded, name");
    query.bind(1, id);
    int rc = SQLITE_ROW;
    while ((rc = query.step()) == SQLITE_ROW)
        values->append({query.text(0), quint32(query.integer(1)), query.blob(2)});
    if (rc != SQLITE_DONE) {
        values->clear();
        return Status::Failed;
    }
    return Status::Success;
}

ClassRegistry::Status ClassRegistry::subkeys(const QString& path, QStringList* names)
{
    names->clear();
    qint64 id = 0;
    const Status found = d->lookUp(path, &id);
    if (found == Status::NotFound && path.isEmpty())
        return Status::Success; // a store not yet written has an empty root
    if (found != Status::Success)
        return found;
    Statement query = d->statement("SELECT name FROM keys WHERE parent = ? ORDER BY folded, name");
    query.bind(1, id);
    int rc = SQLITE_ROW;
    while ((rc = query.step()) == SQLITE_ROW)
        names->append(query.text(0));
    if (rc != SQLITE_DONE) {
        names->clear();
        return Status::Failed;
    }
    return Status::Success;
}

ClassRegistry::Status ClassRegistry::setValues(const QList<Entry>& entries)
{
    QList<QStringList> paths;
    for (const Entry& entry : entries) {
        QStringList segments;
        if (const Status valid = splitPath(entry.key, false, &segments); valid != Status::Success)
            return valid;
        paths.append(segments);
    }
    const bool holds = d->holdsAlready([&] {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const Value& value = entries.at(i).value;
            qint64 id = 0;
            if (d->findKey(paths.at(i), &id) != Status::Success ||
                !d->valueHolds(id, value.name, value.type, value.data))
                return false;
        }
        return true;
    });
    if (holds)
        return Status::Success;
    const Status written = d->write([&] {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const Value& value = entries.at(i).value;
            qint64 id = 0;
            Status status = d->createPath(paths.at(i), &id);
            if (status == Status::Success)
                status = d->storeValue(id, value.name, value.type, value.data);
            if (status != Status::Success)
                return status;
        }
        return Status::Success;
    });
    if (written == Status::Success || entries.isEmpty())
        return written;
    const QString& first = entries.first().key;
    return d->refuse(written,
                     entries.size() == 1
                         ? first
                         : QStringLiteral("%1, and %2 more").arg(first).arg(entries.size() - 1));
}

ClassRegistry::Status ClassRegistry::checkKeyPath(const QString& path)
{
    QStringList segments;
    return d->refuse(splitPath(path, false, &segments, &d->lastError), path);
}

ClassRegistry::Status ClassRegistry::removeValues(const QList<Entry>& entries)
{
    // Every key on the entries' paths, deepest first, so that a parent is
    // looked at after its children have gone.
    QList<QStringList> values;
    QList<QStringList> keys;
    for (const Entry& entry : entries) {
        QStringList segments;
        if (const Status valid = splitPath(entry.key, false, &segments); valid != Status::Success)
            return valid;
        values.append(segments);
        for (qsizetype n = segments.size(); n > 0; --n) {
            const QStringList key = segments.first(n);
            if (!keys.contains(key))
                keys.append(key);
        }
    }
    std::stable_sort(keys.begin(), keys.end(), [](const QStringList& a, const QStringList& b) {
        return a.size() > b.size();
    });
    if (const Status opened = d->openForRead(); opened != Status::Success)
        return opened == Status::NotFound ? Status::Success : opened; // nothing to remove
    return d->write([&] {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            qint64 id = 0;
            const Status found = d->findKey(values.at(i), &id);
            if (found == Status::NotFound)
                continue;
            if (found != Status::Success)
                return found;
            Statement remove = d->statement("DELETE FROM key_values WHERE key = ? AND folded = ?");
            remove.bind(1, id);
            remove.bind(2, folded(entries.at(i).value.name));
            if (remove.step() != SQLITE_DONE)
                return Status::Failed;
        }
        for (const QStringList& key : std::as_const(keys)) {
            qint64 id = 0;
            const Status found = d->findKey(key, &id);
            if (found == Status::NotFound)
                continue;
            if (found != Status::Success)
                return found;
            Statement remove =
                d->statement("DELETE FROM keys WHERE id = ?1"
                             " AND NOT EXISTS(SELECT 1 FROM keys WHERE parent = ?1)"
                             " AND NOT EXISTS(SELECT 1 FROM key_values WHERE key = ?1)");
            remove.bind(1, id);
            if (remove.step() != SQLITE_DONE)
                return Status::Failed;
        }
        return Status::Success;
    });
}
