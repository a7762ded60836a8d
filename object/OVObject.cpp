#include "OVObject.h"

#include "AutomationError.h"
#include "ClassRegistry.h"
#include "DriveList.h"
#include "ModObject.h"
#include "ObjectErrors.h"
#include "frmComConfirm.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

QChar separator()
{
    return QDir::separator();
}

// Removes spaces (only spaces) at both ends, as the registry texts are compared.
QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// The default value of a key of the class registry; an empty string when the
// key or value is missing, does not fit in 255 bytes or cannot be read.
QString ReadClassesRootValue(const QString& key)
{
#ifdef ZUNO_HAVE_CLASS_REGISTRY
    QString text;
    if (ClassRegistry().queryDefaultValue(key, 255, &text) != ClassRegistry::Status::Success)
        return {};
    return text;
#else
    Q_UNUSED(key)
    return {};
#endif
}

} // namespace

OVObject::OVObject(QObject* parent)
    : QObject(parent)
{
    ModObject::settings().gFontName = QStringLiteral("Arial");
    setLanguage(objFrench);
}

OVObject::~OVObject() = default;

// --- Object state and confirmation dialog ---------------------------------

qint16 OVObject::GetConfirmValue(const QString& lpMessage, bool lpForAllEnabled,
                                 const QVariant& lpTitle)
{
    ModObject::requireWindowSystem();
    // A fresh form for every call, so that no answer of an earlier call is seen.
    QPointer<frmComConfirm> form = new frmComConfirm;
    form->lblCaption()->setText(lpMessage);
    form->CmdYesForAll()->setEnabled(lpForAllEnabled);
    if (lpTitle.isValid())
        form->setWindowTitle(lpTitle.toString());
    form->exec();
    qint16 response = frmComConfirm::NoAnswer;
    if (form) {
        response = form->Response();
        delete form;
    }
    return response;
}

void OVObject::setFontName(const QString& name)
{
    if (!name.isEmpty())
        ModObject::settings().gFontName = name;
}

QString OVObject::fontName() const
{
    return ModObject::settings().gFontName;
}

void OVObject::setLanguage(LanguageConstants language)
{
    ModObject::settings().gLanguage = language;
}

OVObject::LanguageConstants OVObject::Language() const
{
    return LanguageConstants(ModObject::settings().gLanguage);
}

// --- Paths and files -------------------------------------------------------

QString OVObject::AddSlashToPath(const QString& lpPathName)
{
    if (lpPathName.isEmpty())
        return {};
    if (lpPathName.back() != separator())
        return lpPathName + separator();
    return lpPathName;
}

bool OVObject::FileExists(const QString& lpFilename)
{
    if (lpFilename.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(lpFilename);
    // Only a regular file counts; a pipe or a device is never opened, since
    // opening one may block or act on the device.
    struct stat status
    {
    };
    if (::stat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    // Non-blocking, so that a name swapped for a pipe since the test cannot hang.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    return regular;
}

bool OVObject::PathExists(const QString& lpFolder)
{
    if (lpFolder.isEmpty())
        return false;
    // Every folder that can be listed holds at least its own "." entry.
    DIR* folder = ::opendir(QFile::encodeName(AddSlashToPath(lpFolder)).constData());
    if (!folder)
        return false;
    ::closedir(folder);
    return true;
}

bool OVObject::DriveExists(const QString& lpDrive)
{
    if (lpDrive.isEmpty())
        return false;
    // The list as it fits in the original 64-character buffer; when it does
    // not fit, no drive is found.
    const QString drives = DriveList::driveStrings(DriveList::mountedRoots(), 64);
    return drives.contains(lpDrive, Qt::CaseInsensitive);
}

qint32 OVObject::RInStr(const QString& lpString, const QString& lpChar)
{
    if (lpChar.isEmpty())
        return 0;
    return qint32(lpString.lastIndexOf(lpChar.front()) + 1);
}

QString OVObject::AddQuote(const QString& lpText)
{
    return QLatin1Char('"') + lpText + QLatin1Char('"');
}

QString OVObject::RemoveQuote(const QString& lpString)
{
    QString text = lpString;
    if (text.startsWith(QLatin1Char('"')))
        text.remove(0, 1);
    if (text.endsWith(QLatin1Char('"')))
        text.chop(1);
    return text;
}

QString OVObject::RemovePathFromFile(const QString& lpFilename)
{
    if (lpFilename.isEmpty())
        return {};
    const qint32 p = RInStr(lpFilename, separator());
    return lpFilename.right(lpFilename.size() - p);
}

QString OVObject::GetPathName(const QString& lpFilename)
{
    if (lpFilename.isEmpty() || !lpFilename.contains(separator()))
        return lpFilename;
    const QString name = RemovePathFromFile(lpFilename);
    if (name.isEmpty())
        return lpFilename;
    return lpFilename.left(lpFilename.size() - name.size());
}

QString OVObject::GetFileExtension(const QString& lpFilename)
{
    if (lpFilename.isEmpty())
        return {};
    const qint32 p = RInStr(lpFilename, QStringLiteral("."));
    if (p == 0)
        return {};
    const qsizetype n = lpFilename.size() - p;
    if (n == 0)
        return {};
    return lpFilename.right(n + 1);
}

QString OVObject::RemoveFileExtension(const QString& lpFilename)
{
    if (lpFilename.isEmpty())
        return {};
    const qint32 p = RInStr(lpFilename, QStringLiteral("."));
    if (p == 0)
        return lpFilename;
    const qsizetype n = lpFilename.size() - p;
    return n > 0 ? lpFilename.left(lpFilename.size() - n - 1) : lpFilename;
}

QString OVObject::RemovePathFileExtension(const QString& lpFilename)
{
    if (lpFilename.isEmpty())
        return {};
    const QString name = RemovePathFromFile(lpFilename);
    if (name.isEmpty())
        return {};
    return RemoveFileExtension(name);
}

bool OVObject::FileHasExtension(const QString& lpFilename, const QString& lpExtension)
{
    if (lpFilename.isEmpty() || lpExtension.isEmpty())
        return false;
    QString extension = lpExtension;
    if (!extension.startsWith(QLatin1Char('.')))
        extension.prepend(QLatin1Char('.'));
    return lpFilename.toLower().contains(extension.toLower());
}

QVariant OVObject::CreateTempFile(const QString& lpFilePrefix)
{
    const QString prefix = lpFilePrefix.left(3);
    // The name must stay in the temporary folder.
    if (prefix.contains(separator()) || prefix.contains(QChar(0)))
        return QString();
    // An empty path: the temporary folder named by the environment is missing.
    const QString folder = AddSlashToPath(QDir::tempPath());
    if (folder.isEmpty())
        return QString();
    // A unique number as the platform chooses it: up to four hexadecimal digits,
    // starting anywhere and tried in turn until a name is free.
    const quint32 start = QRandomGenerator::global()->bounded(1u, 0x10000u);
    for (quint32 i = 0; i < 0xFFFF; ++i) {
        const quint32 unique = (start - 1 + i) % 0xFFFF + 1;
        const QString name =
            folder + prefix + QString::number(unique, 16).toUpper() + QStringLiteral(".tmp");
        // Created here or not at all: an existing file is never opened.
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            return QString();
    }
    return QString();
}

bool OVObject::IsValidFileName(const QVariant& lpString)
{
    if (lpString.isValid() && !lpString.isNull() && !lpString.canConvert<QString>())
        throw AutomationError(ObjectErrors::TypeMismatch, QStringLiteral("Type mismatch"));
    const QString text = lpString.toString();
    if (text.isEmpty())
        return false;
    static const QString refused = QStringLiteral("/\\<>:*?\"|");
    for (const QChar c : refused) {
        if (text.contains(c))
            return false;
    }
    return true;
}

QString OVObject::ShortPathName(const QString& lpFilename)
{
    // Linux has no short names: an existing file keeps the name it was given.
    if (lpFilename.isEmpty() || !FileExists(lpFilename))
        return {};
    return lpFilename;
}

QString OVObject::GetFileType(const QString& lpFilename)
{
    if (lpFilename.isEmpty())
        return {};
    const bool french = ModObject::settings().gLanguage == objFrench;
    const QString ext = GetFileExtension(lpFilename);
    if (ext.isEmpty())
        return french ? QStringLiteral("Fichier") : QStringLiteral("File");
    const QString unregistered =
        ext.mid(1) + (french ? QStringLiteral(" Fichier") : QStringLiteral(" File"));
    const QString className = ReadClassesRootValue(ext);
    if (className.isEmpty())
        return unregistered;
    const QString description = ReadClassesRootValue(className);
    if (trimSpaces(description).isEmpty())
        return unregistered;
    return description;
}
