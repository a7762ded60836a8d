#include "SaveFailure.h"

#include "ZunoSmiley1.h"

#include <QDir>

using Failure = AtomicFileWriter::Failure;

QString SaveFailure::reason(const ZunoSmiley1& localizer, Failure failure)
{
    switch (failure) {
    case Failure::DiskFull:
        return localizer.ID_INT_REASON_DISK_FULL();
    case Failure::NoPermission:
    case Failure::ForeignLink:
    case Failure::DanglingLink:
        return localizer.ID_INT_REASON_NO_PERMISSION();
    case Failure::ReadOnlyFileSystem:
        return localizer.ID_INT_REASON_READ_ONLY();
    case Failure::NotRegularFile:
        return localizer.ID_INT_REASON_NOT_REGULAR();
    case Failure::Busy:
    case Failure::LockTaken:
        return localizer.ID_INT_REASON_BUSY();
    case Failure::TooLarge:
        return localizer.ID_INT_REASON_TOO_LARGE();
    case Failure::None:
    case Failure::Other:
        break;
    }
    return localizer.ID_INT_REASON_OTHER();
}

QString SaveFailure::line(const ZunoSmiley1& localizer, const QString& path,
                          const AtomicFileWriter::Result& result)
{
    return localizer.ID_INT_SAVE_FAILED(QDir::toNativeSeparators(path),
                                        reason(localizer, result.failure));
}

QString SaveFailure::notice(const ZunoSmiley1& localizer, const QString& path,
                            const AtomicFileWriter::Result& result)
{
    if (result.failure == Failure::NotRegularFile)
        return localizer.ID_INT_NOT_REGULAR_KEPT(QDir::toNativeSeparators(path));
    return line(localizer, path, result);
}
