#include "lists/ListRecovery.h"

#include "lists/UserListChange.h"
#include "lists/UserListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Makes the folders missing on the way to folder, each the user's alone.
bool makePrivateFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder && !makePrivateFolder(parent))
        return false;
    return ::mkdir(QFile::encodeName(folder).constData(), S_IRWXU) == 0 ||
           QFileInfo(folder).isDir();
}

} // namespace

QString ListRecovery::folder()
{
    // The rule of the usage store: a relative or empty XDG_STATE_HOME is not a place.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QLatin1String("/.local/state");
    return QDir(state).filePath(QStringLiteral("ZunoSmileys/recovery"));
}

QString ListRecovery::filePath(const QString& listFile)
{
    return QDir(folder()).filePath(QFileInfo(listFile).fileName());
}

AtomicFileWriter::Result ListRecovery::keep(const QString& listFile, const Entries& entries)
{
    if (entries.isEmpty())
        return {};
    const QString path = filePath(listFile);
    if (!makePrivateFolder(folder()))
        return {AtomicFileWriter::Failure::NoPermission, errno,
                QStringLiteral("%1: the folder cannot be created").arg(folder())};
    // Made private before anything is in it: the writer keeps the
    // permissions of the file it replaces.
    if (const int fd =
            ::open(QFile::encodeName(path).constData(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        fd >= 0)
        ::close(fd);
    QList<UserListChange> adds;
    adds.reserve(entries.size());
    for (const UserListFormat::Entry& entry : entries)
        adds << UserListChange::add(entry.text, entry.description);
    QList<UserListFormat::Entry> records;
    const AtomicFileWriter::Result result = UserListFile::merge(path, adds, {}, &records);
    QFile::setPermissions(path, OwnerOnly);
    return result;
}

QStringList ListRecovery::waiting(const QStringList& listFiles)
{
    QStringList files;
    for (const QString& listFile : listFiles) {
        const QString path = filePath(listFile);
        if (QFileInfo(path).isFile() && QFileInfo(path).size() > 0)
            files << path;
    }
    return files;
}

ListRecovery::Entries ListRecovery::entries(const QString& recoveryFile)
{
    Entries records;
    UserListFile::read(recoveryFile, &records);
    return records;
}

bool ListRecovery::discard(const QString& recoveryFile)
{
    return QFile::remove(recoveryFile);
}
