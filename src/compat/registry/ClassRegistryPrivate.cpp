#include "compat/registry/ClassRegistryPrivate.h"
#include "compat/registry/SqliteLibrary.h"

#include "compat/registry/RegistryKeyName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <sqlite3.h>

Q_DECLARE_LOGGING_CATEGORY(lcClassRegistry)

using Status = ClassRegistry::Status;
using Health = RegistryHealth::Health;

namespace {

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

} // namespace

Status ClassRegistry::Private::lookupStatus(int step)
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

ClassRegistry::Private::Private(const QString& path)
    : location(path)
{}

ClassRegistry::Private::~Private()
{
    closeDatabase();
}

Status ClassRegistry::Private::open(bool create)
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
    RegistryHealth::markSound(location);
    return Status::Success;
}

Status ClassRegistry::Private::openDatabase(bool create)
{
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    if (QString why; !SqliteLibrary::load(&why))
        return fail(QStringLiteral("cannot open %1: %2").arg(location, why));
    sqlite3* handle = nullptr;
    if (sqlite().open_v2(QFile::encodeName(location).constData(), &handle, flags, nullptr) !=
        SQLITE_OK) {
        const QString reason = QString::fromUtf8(sqlite().errmsg(handle));
        sqlite().close_v2(handle);
        return fail(QStringLiteral("cannot open %1: %2").arg(location, reason));
    }
    db = handle;
    busyWait.attach(db, location);
    return Status::Success;
}

void ClassRegistry::Private::closeDatabase()
{
    statements.clear();
    if (db) // only ever opened with the library loaded
        sqlite().close_v2(db);
    db = nullptr;
}

// Opens the store and checks it, unless this process found it sound before.
// Unusable: it cannot be opened or checked for another reason (permissions,
// locks, I/O), which is no damage.
Health ClassRegistry::Private::inspect(RegularFile::Kind kind, bool create)
{
    if (RegistryHealth::ofKind(kind, &lastError) == Health::Damaged)
        return Health::Damaged;
    if (openDatabase(create) != Status::Success)
        return Health::Unusable;
    return RegistryHealth::check(db, location, &lastError, &checkedFile, &busyFailures);
}

Status ClassRegistry::Private::setAside()
{
    QString why;
    return RegistryHealth::setAside(location, checkedFile, lastError, &why) ? Status::Success
                                                                            : fail(why);
}

Status ClassRegistry::Private::fail(const QString& reason)
{
    lastError = reason;
    return Status::Failed;
}

Status ClassRegistry::Private::openForRead()
{
    const Status opened = open(false);
    if (opened != Status::Success || schemaPresent)
        return opened;
    RegistryStatement query = statement("SELECT 1 FROM sqlite_master WHERE type = 'table'"
                                        " AND name = 'key_values'");
    const Status found = lookupStatus(query.step());
    schemaPresent = found == Status::Success;
    return found;
}

RegistryStatement ClassRegistry::Private::statement(const char* sql)
{
    return RegistryStatement(statements, db, sql, &busyFailures);
}

bool ClassRegistry::Private::run(const char* sql)
{
    RegistryStatement command = statement(sql);
    return command.step() == SQLITE_DONE;
}

bool ClassRegistry::Private::holdsAlready(const std::function<bool()>& check)
{
    if (openForRead() != Status::Success || !run("BEGIN"))
        return false;
    const bool holds = check();
    run("COMMIT");
    return holds;
}

bool ClassRegistry::Private::valueHolds(qint64 key, const QString& name, quint32 type,
                                        const QByteArray& data)
{
    RegistryStatement query =
        statement("SELECT type, data FROM key_values WHERE key = ? AND folded = ?");
    query.bind(1, key);
    query.bind(2, RegistryKeyName::folded(name));
    return query.step() == SQLITE_ROW && quint32(query.integer(0)) == type && query.blob(1) == data;
}

Status ClassRegistry::Private::write(const std::function<Status()>& body)
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

Status ClassRegistry::Private::writeOnce(const std::function<Status()>& body)
{
    const Status opened = open(true);
    if (opened != Status::Success)
        return opened;
    lastCode = SQLITE_OK;
    if (!run("BEGIN IMMEDIATE")) {
        lastCode = sqlite().errcode(db);
        return fail(databaseError());
    }
    const bool schema = sqlite().exec(db, SchemaSql, nullptr, nullptr, nullptr) == SQLITE_OK;
    Status status = schema ? body() : Status::Failed;
    if (status == Status::Success && run("COMMIT")) {
        schemaPresent = true;
        ++writesMade;
        return Status::Success;
    }
    const QString reason = databaseError();
    lastCode = sqlite().errcode(db);
    lastDatabaseMessage = QString::fromUtf8(sqlite().errmsg(db));
    run("ROLLBACK");
    return status == Status::Success || status == Status::Failed ? fail(reason) : status;
}

bool ClassRegistry::Private::damageShown() const
{
    const int primary = lastCode & 0xff;
    return db && (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB);
}

QString ClassRegistry::Private::databaseError() const
{
    return QStringLiteral("cannot write %1: %2")
        .arg(location, QString::fromUtf8(sqlite().errmsg(db)));
}

Status ClassRegistry::Private::refuse(Status status, const QString& path)
{
    if (status == Status::InvalidName)
        qCWarning(lcClassRegistry, "The class registry store cannot hold the key \"%s\": %s.",
                  qUtf8Printable(path), qUtf8Printable(lastError));
    else if (status == Status::Failed)
        qCWarning(lcClassRegistry, "The class registry store refused the key \"%s\": %s.",
                  qUtf8Printable(path), qUtf8Printable(lastError));
    return status;
}

Status ClassRegistry::Private::findChild(qint64 parent, const QString& name, qint64* id)
{
    RegistryStatement query = statement("SELECT id FROM keys WHERE parent = ? AND folded = ?");
    query.bind(1, parent);
    query.bind(2, RegistryKeyName::folded(name));
    const Status found = lookupStatus(query.step());
    if (found == Status::Success)
        *id = query.integer(0);
    return found;
}

Status ClassRegistry::Private::findKey(const QStringList& segments, qint64* id)
{
    *id = 0;
    for (const QString& segment : segments) {
        const Status found = findChild(*id, segment, id);
        if (found != Status::Success)
            return found;
    }
    return Status::Success;
}

Status ClassRegistry::Private::createPath(const QStringList& segments, qint64* id)
{
    *id = 0;
    for (const QString& segment : segments) {
        const Status found = findChild(*id, segment, id);
        if (found == Status::Success)
            continue;
        if (found != Status::NotFound)
            return found;
        RegistryStatement insert =
            statement("INSERT INTO keys(parent, name, folded) VALUES(?, ?, ?)");
        insert.bind(1, *id);
        insert.bind(2, segment);
        insert.bind(3, RegistryKeyName::folded(segment));
        if (insert.step() != SQLITE_DONE)
            return Status::Failed;
        *id = sqlite().last_insert_rowid(db);
    }
    return Status::Success;
}

Status ClassRegistry::Private::storeValue(qint64 key, const QString& name, quint32 type,
                                          const QByteArray& data)
{
    if (valueHolds(key, name, type, data))
        return Status::Success;
    RegistryStatement upsert =
        statement("INSERT INTO key_values(key, name, folded, type, data)"
                  " VALUES(?, ?, ?, ?, ?) ON CONFLICT(key, folded)"
                  " DO UPDATE SET type = excluded.type, data = excluded.data");
    upsert.bind(1, key);
    upsert.bind(2, name);
    upsert.bind(3, RegistryKeyName::folded(name));
    upsert.bind(4, qint64(type));
    upsert.bind(5, data);
    return upsert.step() == SQLITE_DONE ? Status::Success : Status::Failed;
}

Status ClassRegistry::Private::keyExists(qint64 key)
{
    RegistryStatement query = statement("SELECT 1 FROM keys WHERE id = ?");
    query.bind(1, key);
    return lookupStatus(query.step());
}

Status ClassRegistry::Private::lookUp(const QString& path, qint64* id)
{
    *id = 0;
    QStringList segments;
    const Status valid = RegistryKeyName::splitPath(path, true, &segments, &lastError);
    if (valid != Status::Success)
        return valid;
    const Status opened = openForRead();
    if (opened != Status::Success)
        return opened;
    return findKey(segments, id);
}

ClassRegistry::Handle ClassRegistry::Private::registerHandle(qint64 id)
{
    const Handle handle = nextHandle++;
    openKeys.insert(handle, id);
    return handle;
}
