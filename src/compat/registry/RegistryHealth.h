#pragma once

#include "base/RegularFile.h"

#include <QString>

#include <sys/stat.h>

struct sqlite3;

// Whether a class registry store can be used, and what is done with one that
// cannot: a damaged store (not a database, a failed quick check, or a folder,
// pipe, device or socket in its place) is renamed beside itself as
// "registry.sqlite.damaged-<date>", never over an earlier one, so that
// nothing of it is lost and a new store can take its place. Each process
// checks each store once.
class RegistryHealth
{
public:
    enum class Health { Sound, Damaged, Unusable };

    // Damaged when kind is no file a store can be; the reason in *damage.
    static Health ofKind(RegularFile::Kind kind, QString* damage);

    // Checks the store open on db, unless this process found it sound
    // before. Damaged: not a database, or a failed quick check; the reason in
    // *damage. Unusable: it cannot be checked for another reason (locks,
    // I/O), which is no damage. *checked gets the file's identity; a check
    // that found the store busy adds one to *busyCount.
    static Health check(sqlite3* db, const QString& location, QString* damage, struct stat* checked,
                        quint64* busyCount);

    // Once per process: a store found sound is not checked again.
    static void markSound(const QString& location);

    // Renames the damaged store (and any journal of it) beside itself; a
    // store that is no longer the one checked (another process set it aside
    // and made a new one) is left alone. False with the reason in *why.
    static bool setAside(const QString& location, const struct stat& checked, const QString& damage,
                         QString* why);
};
