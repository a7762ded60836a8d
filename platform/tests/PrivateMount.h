#pragma once

#include <QFile>
#include <QString>

#include <sched.h>
#include <sys/mount.h>

// Mounts for this test process only, in a private mount namespace, so that
// a full disk or a read-only file system holds for root too. Each answers
// false, with the reason, where mounts are not allowed; the test then skips.
namespace PrivateMount {

inline bool enterNamespace(QString* why)
{
    static const bool entered = ::unshare(CLONE_NEWNS) == 0 &&
                                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!entered)
        *why = QStringLiteral("no private mount namespace here (needs CAP_SYS_ADMIN)");
    return entered;
}

// A tmpfs of this many bytes on folder.
inline bool smallDisk(const QString& folder, qint64 bytes, QString* why)
{
    if (!enterNamespace(why))
        return false;
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) !=
        0) {
        *why = QStringLiteral("a tmpfs cannot be mounted here");
        return false;
    }
    return true;
}

// folder bound onto itself read-only.
inline bool readOnly(const QString& folder, QString* why)
{
    if (!enterNamespace(why))
        return false;
    const QByteArray path = QFile::encodeName(folder);
    if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
            0) {
        *why = QStringLiteral("a read-only bind mount is not allowed here");
        return false;
    }
    return true;
}

inline void release(const QString& folder)
{
    ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
}

} // namespace PrivateMount
