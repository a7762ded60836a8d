#include "compat/registry/ClassRegistry.h"

#include "compat/registry/ClassRegistryPrivate.h"
#include "compat/registry/RegistryKeyName.h"

#include <QLoggingCategory>
#include <QStandardPaths>

#include <sqlite3.h>

#include <algorithm>

using Status = ClassRegistry::Status;

Q_LOGGING_CATEGORY(lcClassRegistry, "zuno.registry")

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

void ClassRegistry::setBusyTimeout(std::chrono::milliseconds timeout)
{
    d->busyWait.setTimeout(timeout);
}

quint64 ClassRegistry::busyFailures() const
{
    return d->busyFailures;
}

ClassRegistry::Status ClassRegistry::createKey(const QString& path, Handle* key)
{
    if (key)
        *key = 0;
    QStringList segments;
    const Status valid = RegistryKeyName::splitPath(path, false, &segments, &d->lastError);
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
    const Status valid = RegistryKeyName::splitPath(path, false, &segments, &d->lastError);
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
    RegistryStatement query =
        d->statement("SELECT type, data FROM key_values WHERE key = ? AND folded = ''");
    query.bind(1, id);
    if (const Status value = Private::lookupStatus(query.step()); value != Status::Success)
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
    RegistryStatement query = d->statement("SELECT name, type, data FROM key_values WHERE key = ?"
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
    RegistryStatement query =
        d->statement("SELECT name FROM keys WHERE parent = ? ORDER BY folded, name");
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
        if (const Status valid = RegistryKeyName::splitPath(entry.key, false, &segments);
            valid != Status::Success)
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
    return d->refuse(RegistryKeyName::splitPath(path, false, &segments, &d->lastError), path);
}

ClassRegistry::Status ClassRegistry::removeValues(const QList<Entry>& entries)
{
    // Every key on the entries' paths, deepest first, so that a parent is
    // looked at after its children have gone.
    QList<QStringList> values;
    QList<QStringList> keys;
    for (const Entry& entry : entries) {
        QStringList segments;
        if (const Status valid = RegistryKeyName::splitPath(entry.key, false, &segments);
            valid != Status::Success)
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
            RegistryStatement remove =
                d->statement("DELETE FROM key_values WHERE key = ? AND folded = ?");
            remove.bind(1, id);
            remove.bind(2, RegistryKeyName::folded(entries.at(i).value.name));
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
            RegistryStatement remove =
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
