#pragma once

#include "PrivateMount.h"

#include <QString>

#include <map>
#include <memory>

// Makes a folder read-only for this test process, root included, through a
// read-only bind mount in a private mount namespace (PrivateMount.h).
// Answers false and the reason where the machine does not allow it; the test
// then skips. A mount that fails through the test's own fault also fails the
// test.
inline std::map<QString, std::unique_ptr<PrivateMount>>& readOnlyFolders()
{
    static std::map<QString, std::unique_ptr<PrivateMount>> folders;
    return folders;
}

inline bool makeFolderReadOnly(const QString& folder, QString* why)
{
    auto mount = std::make_unique<PrivateMount>(PrivateMount::readOnly(folder));
    if (mount->state() == PrivateMount::State::Mounted) {
        readOnlyFolders()[folder] = std::move(mount);
        return true;
    }
    if (mount->state() == PrivateMount::State::Failed)
        QTest::qFail(mount->reason(), __FILE__, __LINE__);
    *why = QString::fromUtf8(mount->reason());
    return false;
}

inline void releaseFolder(const QString& folder)
{
    readOnlyFolders().erase(folder);
}
