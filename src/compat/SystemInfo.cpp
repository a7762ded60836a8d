#include "compat/SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <vector>

QString SystemInfo::userName()
{
    const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? size_t(hint) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QFile::decodeName(found->pw_name);
    // A user unknown to the password database (a container, for example).
    const QString fromEnvironment = qEnvironmentVariable("LOGNAME", qEnvironmentVariable("USER"));
    return fromEnvironment;
}

QString SystemInfo::computerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    QString host = QString::fromLocal8Bit(name);
    const qsizetype dot = host.indexOf(QLatin1Char('.'));
    if (dot > 0)
        host.truncate(dot);
    return host;
}

QString SystemInfo::systemDirectory()
{
    Dl_info info{};
    // Any function of the C library tells where that library was loaded from.
    if (::dladdr(reinterpret_cast<void*>(&::getpid), &info) == 0 || !info.dli_fname)
        return {};
    const QFileInfo library(QFile::decodeName(info.dli_fname));
    const QString folder = library.canonicalPath();
    return folder.isEmpty() ? library.absolutePath() : folder;
}

QString SystemInfo::windowsDirectory()
{
    return QDir::rootPath();
}
