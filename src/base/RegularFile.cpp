#include "base/RegularFile.h"

#include "base/NativePath.h"
#include "base/TextRules.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

using Kind = RegularFile::Kind;

Kind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return Kind::Regular;
    return S_ISDIR(mode) ? Kind::Folder : Kind::Special;
}

Kind failure(int error)
{
    return error == ENOENT || error == ENOTDIR ? Kind::Missing : Kind::Unreadable;
}

} // namespace

RegularFile::Kind RegularFile::kind(const QString& path)
{
    // The system would cut a name at a NUL character and find another file.
    if (path.isEmpty() || TextRules::holdsNul(path))
        return Kind::Missing;
    struct stat status = {};
    if (::stat(NativePath::encode(path).constData(), &status) != 0)
        return failure(errno);
    return kindOf(status.st_mode);
}

RegularFile::Kind RegularFile::openForReading(QFile& file, const QString& path)
{
    const Kind found = kind(path);
    if (found != Kind::Regular)
        return found;
    const int fd =
        ::open(NativePath::encode(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failure(errno);
    struct stat status = {};
    const Kind opened = ::fstat(fd, &status) == 0 ? kindOf(status.st_mode) : Kind::Unreadable;
    if (opened != Kind::Regular ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return opened == Kind::Regular ? Kind::Unreadable : opened;
    }
    return Kind::Regular;
}
