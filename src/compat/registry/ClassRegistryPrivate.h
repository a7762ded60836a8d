#pragma once

#include "compat/registry/ClassRegistry.h"
#include "compat/registry/RegistryBusyWait.h"
#include "compat/registry/RegistryHealth.h"
#include "compat/registry/RegistryStatement.h"
#include "compat/registry/RegistryStatementCache.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/stat.h>

struct sqlite3;

// The connection to one class registry store and the reads and writes the
// public operations are made of.
class ClassRegistry::Private
{
public:
    using Status = ClassRegistry::Status;

    explicit Private(const QString& path);
    ~Private();

    // Opens the file on first use. Without `create`, a store that does not
    // exist is NotFound and no file or folder is made. A damaged store is
    // Failed for a reader and set aside and made anew for a writer.
    Status open(bool create);
    Status openDatabase(bool create);
    void closeDatabase();

    Status fail(const QString& reason);
    // A lookup's outcome from its first step: a row found, none, or a failure.
    static Status lookupStatus(int step);

    // Before a read: NotFound when the store has no file or no tables yet,
    // Failed when the file is not a store at all.
    Status openForRead();

    // A statement of this connection's, kept for the next call.
    RegistryStatement statement(const char* sql);
    // Runs one statement without rows (BEGIN, COMMIT...).
    bool run(const char* sql);

    // Whether the store holds already what a write would leave, answered in
    // one read transaction: a write repeated at every start (the program's
    // registrations) then neither takes the write lock nor touches the file,
    // and succeeds on a store that cannot be written. Any doubt (no store yet,
    // a store that cannot be read or is damaged) answers false, and the write
    // goes ahead as it would have.
    bool holdsAlready(const std::function<bool()>& check);

    // The value of the key as given: its type and bytes; the name's case is
    // the one it was first written with either way.
    bool valueHolds(qint64 key, const QString& name, quint32 type, const QByteArray& data);

    // Runs `body` as one short write transaction; the lock is taken up front
    // (BEGIN IMMEDIATE) so that two writers never deadlock on an upgrade.
    Status write(const std::function<Status()>& body);

    // A write the store cannot make, logged, since some callers (ShellLib2)
    // ignore the answer by design.
    Status refuse(Status status, const QString& path);

    Status findChild(qint64 parent, const QString& name, qint64* id);
    Status findKey(const QStringList& segments, qint64* id);
    // Inside a write transaction.
    Status createPath(const QStringList& segments, qint64* id);
    // Inside a write transaction. A value written again keeps the case of the
    // name it was first written with, as the original registry does; one that
    // holds the same already is left alone, so that its page is not written.
    Status storeValue(qint64 key, const QString& name, quint32 type, const QByteArray& data);
    Status keyExists(qint64 key);
    // The key at `path` for a reader; the empty path is the root (id 0).
    Status lookUp(const QString& path, qint64* id);

    Handle registerHandle(qint64 id);

    QString location;
    QString lastError;
    quint64 writesMade = 0;
    quint64 busyFailures = 0;
    RegistryBusyWait busyWait;
    QHash<Handle, qint64> openKeys;

private:
    RegistryHealth::Health inspect(RegularFile::Kind kind, bool create);
    Status setAside();
    Status writeOnce(const std::function<Status()>& body);
    // The last failed write met a damaged file rather than a busy or full one.
    bool damageShown() const;
    QString databaseError() const;

    int lastCode = 0;
    QString lastDatabaseMessage;
    bool damageSetAside = false;
    struct stat checkedFile = {};
    sqlite3* db = nullptr;
    RegistryStatementCache statements;
    bool schemaPresent = false;
    Handle nextHandle = 1;
};
