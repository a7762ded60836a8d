#include "compat/registry/RegistryHealth.h"
#include "compat/registry/SqliteLibrary.h"

#include "base/DamagedFile.h"
#include "compat/registry/RegistryStatement.h"

#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QSet>

#include <sqlite3.h>

Q_DECLARE_LOGGING_CATEGORY(lcClassRegistry)

using Health = RegistryHealth::Health;

namespace {

QMutex& soundStoresLock()
{
    static QMutex lock;
    return lock;
}

QSet<QString>& soundStores()
{
    static QSet<QString> stores;
    return stores;
}

bool knownSound(const QString& location)
{
    const QMutexLocker locker(&soundStoresLock());
    return soundStores().contains(location);
}

} // namespace

Health RegistryHealth::ofKind(RegularFile::Kind kind, QString* damage)
{
    if (kind == RegularFile::Kind::Folder) {
        *damage = QStringLiteral("a folder is in its place");
        return Health::Damaged;
    }
    if (kind == RegularFile::Kind::Special) {
        *damage = QStringLiteral("a pipe, a device or a socket is in its place");
        return Health::Damaged;
    }
    return Health::Sound;
}

Health RegistryHealth::check(sqlite3* db, const QString& location, QString* damage,
                             struct stat* checked, quint64* busyCount)
{
    if (knownSound(location))
        return Health::Sound;
    ::stat(QFile::encodeName(location).constData(), checked);
    RegistryStatement check(db, "PRAGMA quick_check(1)", busyCount);
    const int rc = check.step();
    if (rc == SQLITE_ROW) {
        const QString answer = check.text(0).simplified();
        if (answer == QLatin1String("ok"))
            return Health::Sound;
        *damage = QStringLiteral("its check failed: %1").arg(answer);
        return Health::Damaged;
    }
    *damage = QString::fromUtf8(sqlite().errstr(rc));
    const int primary = rc & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT ? Health::Damaged
                                                                 : Health::Unusable;
}

void RegistryHealth::markSound(const QString& location)
{
    const QMutexLocker locker(&soundStoresLock());
    soundStores().insert(location);
}

bool RegistryHealth::setAside(const QString& location, const struct stat& checked,
                              const QString& damage, QString* why)
{
    struct stat now = {};
    if (::stat(QFile::encodeName(location).constData(), &now) == 0 && checked.st_ino &&
        (now.st_ino != checked.st_ino || now.st_dev != checked.st_dev))
        return true;
    // The journal goes with it: left behind, it would be played into the new store.
    QString reason;
    const QString target = DamagedFile::setAside(
        location, {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")},
        &reason);
    if (target.isEmpty()) {
        *why = QStringLiteral("cannot set aside the damaged store %1 (%2): %3")
                   .arg(location, damage, reason);
        return false;
    }
    qCInfo(lcClassRegistry,
           "The class registry store %s was damaged (%s); it is kept "
           "as %s and a new store takes its place.",
           qUtf8Printable(location), qUtf8Printable(damage), qUtf8Printable(target));
    return true;
}
