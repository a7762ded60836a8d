#pragma once

#include <QString>

#include <sched.h>
#include <sys/mount.h>

// Makes a folder read-only for this test process, root included: the test
// moves into a private mount namespace and binds the folder onto itself
// read-only. Permission bits would not stop root; a read-only mount does.
// Answers false (and the reason) where mounts are not allowed; the test then
// skips.
inline bool makeFolderReadOnly(const QString& folder, QString* why)
{
    static bool privateNamespace = false;
    if (!privateNamespace) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            *why = QStringLiteral("no private mount namespace here (needs CAP_SYS_ADMIN)");
            return false;
        }
        privateNamespace = true;
    }
    const QByteArray path = folder.toLocal8Bit();
    if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
            0) {
        *why = QStringLiteral("a read-only bind mount is not allowed here");
        return false;
    }
    return true;
}

inline void releaseFolder(const QString& folder)
{
    ::umount2(folder.toLocal8Bit().constData(), MNT_DETACH);
}
