#include "lists/SaveFailure.h"

#include "ovsmiley/ZunoSmiley1.h"

#include <QDir>

#include <cerrno>

using Failure = AtomicFileWriter::Failure;

QString SaveFailure::reason(const ZunoSmiley1& localizer, Failure failure)
{
    switch (failure) {
    case Failure::DiskFull:
        return localizer.ID_INT_REASON_DISK_FULL();
    case Failure::NoPermission:
        return localizer.ID_INT_REASON_NO_PERMISSION();
    case Failure::ForeignLink:
        return localizer.ID_INT_REASON_FOREIGN_LINK();
    case Failure::DanglingLink:
        return localizer.ID_INT_REASON_DANGLING_LINK();
    case Failure::ReadOnlyFileSystem:
        return localizer.ID_INT_REASON_READ_ONLY();
    case Failure::NotRegularFile:
        return localizer.ID_INT_REASON_NOT_REGULAR();
    case Failure::Busy:
        return localizer.ID_INT_REASON_BUSY();
    case Failure::LockTaken:
        return localizer.ID_INT_REASON_LOCK_TAKEN();
    case Failure::TooLarge:
        return localizer.ID_INT_REASON_TOO_LARGE();
    case Failure::None:
    case Failure::Other:
        break;
    }
    return localizer.ID_INT_REASON_OTHER();
}

QString SaveFailure::reason(const ZunoSmiley1& localizer, const AtomicFileWriter::Result& result)
{
    // The writer refuses to make a file over its limit with EFBIG; a file
    // found over it already has no system error.
    if (result.failure == Failure::TooLarge && result.systemError == EFBIG)
        return localizer.ID_INT_REASON_WOULD_BE_TOO_LARGE();
    return reason(localizer, result.failure);
}

QString SaveFailure::line(const ZunoSmiley1& localizer, const QString& path,
                          const AtomicFileWriter::Result& result)
{
    return localizer.ID_INT_SAVE_FAILED(QDir::toNativeSeparators(path), reason(localizer, result));
}

QString SaveFailure::notice(const ZunoSmiley1& localizer, const QString& path,
                            const AtomicFileWriter::Result& result)
{
    if (result.failure == Failure::NotRegularFile)
        return localizer.ID_INT_NOT_REGULAR_KEPT(QDir::toNativeSeparators(path));
    return line(localizer, path, result);
}
