#include "ovobj10/OVObject.h"

#include "base/RegularFile.h"
#include "base/TextRules.h"
#include "base/ZunoVersion.h"
#include "compat/AutomationError.h"
#include "compat/DosAttributes.h"
#include "compat/DriveList.h"
#include "compat/FileOperations.h"
#include "compat/RecentDocuments.h"
#include "compat/SystemInfo.h"
#include "compat/registry/ClassRegistry.h"
#include "ovobj10/CommonDialog.h"
#include "ovobj10/FileManagerClient.h"
#include "ovobj10/FormFade.h"
#include "ovobj10/ModObject.h"
#include "ovobj10/ObjectErrors.h"
#include "ovobj10/frmComConfirm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>

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

// The default value of a key of the class registry; an empty string when the
// key or value is missing, does not fit in 255 bytes or cannot be read.
QString ReadClassesRootValue(const QString& key)
{
    QString text;
    if (ClassRegistry().queryDefaultValue(key, 255, &text) != ClassRegistry::Status::Success)
        return {};
    return text;
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
    if (lpFilename.isEmpty() || TextRules::holdsNul(lpFilename))
        return false;
    // Only a regular file that can be opened counts; a pipe or a device is
    // never opened, since opening one may block or act on the device.
    QFile file;
    return RegularFile::openForReading(file, lpFilename) == RegularFile::Kind::Regular;
}

bool OVObject::PathExists(const QString& lpFolder)
{
    if (lpFolder.isEmpty() || TextRules::holdsNul(lpFolder))
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
    // Any occurrence in the whole list counts, case aside.
    const QString drives = DriveList::driveStrings(DriveList::mountedRoots());
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
    if (prefix.contains(separator()) || TextRules::holdsNul(prefix))
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
    // Only spaces make a registered description empty.
    if (TextRules::trimSpaces(description).isEmpty())
        return unregistered;
    return description;
}

// --- File attributes and system information --------------------------------

bool OVObject::hasDosAttribute(const QString& fileName, quint32 bit)
{
    const std::optional<quint32> bits = DosAttributes::read(fileName);
    return bits && (*bits & bit);
}

bool OVObject::IsReadOnlyFile(const QString& lpFilename)
{
    if (lpFilename.isEmpty() || !FileExists(lpFilename))
        return false;
    struct stat status = {};
    if (::stat(QFile::encodeName(lpFilename).constData(), &status) != 0)
        return false;
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool OVObject::IsHiddenFile(const QString& lpFilename)
{
    if (lpFilename.isEmpty() || !FileExists(lpFilename))
        return false;
    return QFileInfo(lpFilename).fileName().startsWith(QLatin1Char('.')) ||
           hasDosAttribute(lpFilename, DosAttributes::Hidden);
}

bool OVObject::IsSystemFile(const QString& lpFilename)
{
    if (lpFilename.isEmpty() || !FileExists(lpFilename))
        return false;
    return hasDosAttribute(lpFilename, DosAttributes::System);
}

bool OVObject::IsArchiveFile(const QString& lpFilename)
{
    if (lpFilename.isEmpty() || !FileExists(lpFilename))
        return false;
    return hasDosAttribute(lpFilename, DosAttributes::Archive);
}

bool OVObject::IsNormalFile(const QString& lpFilename)
{
    if (lpFilename.isEmpty() || !FileExists(lpFilename))
        return false;
    return !IsReadOnlyFile(lpFilename) && !IsHiddenFile(lpFilename) && !IsSystemFile(lpFilename) &&
           !IsArchiveFile(lpFilename);
}

QString OVObject::SystemDirectory()
{
    return SystemInfo::systemDirectory();
}

QString OVObject::WindowsDirectory()
{
    return SystemInfo::windowsDirectory();
}

QString OVObject::UserName()
{
    return SystemInfo::userName();
}

QString OVObject::ComputerName()
{
    return SystemInfo::computerName();
}

// --- Shell operations --------------------------------------------------------

void OVObject::ShellAddToRecentDocs(const QString& lpFilename)
{
    if (!FileExists(lpFilename))
        return;
    QString application = QCoreApplication::applicationName();
    if (application.isEmpty())
        application = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).fileName();
    // The command in the shell-quoted form the desktop's own writers use.
    RecentDocuments::add(QFileInfo(lpFilename).absoluteFilePath(), application,
                         QLatin1Char('\'') + application + QStringLiteral(" %u'"));
}

void OVObject::ShellGetFileProperties(qint32 dwHwnd, const QString& lpFilename)
{
    Q_UNUSED(dwHwnd) // the file manager places its own window
    FileManagerClient::showItemProperties(lpFilename);
}

void OVObject::ShellMoveFiles(const QStringList& lpFileNames, const QString& lpDestinationFolder)
{
    FileOperations::moveInto(lpFileNames, lpDestinationFolder);
}

void OVObject::ShellRenameFile(const QString& lpOldName, const QString& lpNewName)
{
    FileOperations::rename(lpOldName, lpNewName);
}

// --- Help ------------------------------------------------------------------

// Loads the thread's confirmation form without showing it, lets its common
// dialog control carry out the help command and unloads the form again. No
// error leaves.
void OVObject::runHelp(const QString& helpFile, int command)
{
    try {
        ModObject::requireWindowSystem();
        frmComConfirm form;
        form.CmDialog1()->setHelpFile(helpFile);
        form.CmDialog1()->setHelpCommand(command);
        form.CmDialog1()->ShowHelp();
    } catch (...) {
    }
}

void OVObject::HelpExit(const QString& lpHelpFile)
{
    runHelp(lpHelpFile, CommonDialog::cdlHelpQuit);
}

void OVObject::HelpOnHelp(const QString& lpHelpFile)
{
    runHelp(lpHelpFile, CommonDialog::cdlHelpHelpOnHelp);
}

void OVObject::HelpContext(const QString& lpHelpFile)
{
    runHelp(lpHelpFile, CommonDialog::cdlHelpContext);
}

void OVObject::HelpIndex(const QString& lpHelpFile)
{
    runHelp(lpHelpFile, CommonDialog::cdlHelpPartialKey);
}

// --- Fonts -------------------------------------------------------------------

void OVObject::SetGlobalFont(QObject* frm, const QString& lpFontName)
{
    try {
        ModObject::applyFontName(frm, lpFontName);
    } catch (...) {
    }
}

bool OVObject::IsValidFontName(const QString& lpFontName)
{
    if (lpFontName.isEmpty())
        return false;
    ModObject::requireGuiApplication();
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families) {
        // A family that several foundries provide is listed as "Family [foundry]".
        const qsizetype foundry = family.indexOf(QStringLiteral(" ["));
        if (family.compare(lpFontName, Qt::CaseInsensitive) == 0 ||
            (foundry > 0 && family.left(foundry).compare(lpFontName, Qt::CaseInsensitive) == 0))
            return true;
    }
    return false;
}

// --- Fade --------------------------------------------------------------------

void OVObject::FadeForm(QObject* objForm, FadeStyleConstants FadeStyle)
{
    auto* form = qobject_cast<QWidget*>(objForm);
    if (!form || !form->isWindow())
        return;

    if (m_colourDepth == 0) {
        const QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
        m_colourDepth = screen ? screen->depth() : 0; // bits per pixel, one colour plane
        switch (m_colourDepth) {
        case 4:
        case 8:
            m_bandCount = 64;
            break;
        case 15:
            m_bandCount = 32;
            break;
        case 16:
        case 24:
        case 32:
            m_bandCount = 256;
            break;
        default:
            m_bandCount = 64;
            m_colourDepth = 4;
            break;
        }
    }

    QPalette palette = form->palette();
    if (FadeStyle == objFadeSolidBlue) {
        palette.setBrush(QPalette::Window, QColor(0, 0, 127));
        form->setPalette(palette);
        form->setAutoFillBackground(true);
        return;
    }

    const FormFade::Direction direction = FadeStyle == objFadeDiagonal   ? FormFade::Diagonal
                                          : FadeStyle == objFadeVertical ? FormFade::Vertical
                                                                         : FormFade::Horizontal;
    // The gradient becomes the form's background, so it stays when the form
    // repaints.
    const QPixmap background =
        FormFade::background(form->size(), form->devicePixelRatioF(), m_bandCount, direction);
    palette.setBrush(QPalette::Window, QBrush(background));
    form->setPalette(palette);
    form->setAutoFillBackground(true);
    form->update();
}

// --- Message box and numeric keys ----------------------------------------------

void OVObject::MessagePerso(const QString& lpTitle, const QString& lpMessage,
                            const QVariant& ImageType)
{
    ModObject::requireWindowSystem();
    // Compared as a number, exactly: 15.6 or 16.4 is no known icon, while the
    // text "16.0" is 16.
    bool isNumber = false;
    const double requested = ImageType.toDouble(&isNumber);
    QMessageBox::Icon icon = QMessageBox::Information; // 64, and every unknown value
    if (isNumber) {
        if (requested == 16)
            icon = QMessageBox::Critical;
        else if (requested == 32)
            icon = QMessageBox::Question;
        else if (requested == 48)
            icon = QMessageBox::Warning;
    }
    const QString title = lpTitle.isEmpty() ? QStringLiteral("Orvak Object Library %1")
                                                  .arg(QStringLiteral(ZUNO_OBJECT_VERSION_TEXT))
                                            : lpTitle;
    QMessageBox box(icon, title, lpMessage, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

qint16 OVObject::SetNumericData(QObject* Ctl, qint16 CharCode)
{
    if (!Ctl)
        return 0;
    const QVariant text = Ctl->property("text");
    if (!text.isValid() || !text.canConvert<QString>())
        return 0;
    if (CharCode <= 32 || CharCode >= 126)
        return CharCode;
    const bool hasDot = text.toString().contains(QLatin1Char('.'));
    if (CharCode == ',')
        return hasDot ? 0 : qint16('.');
    if (!QStringLiteral("1234567890.").contains(QChar(CharCode)))
        return 0;
    if (CharCode == '.' && hasDot)
        return 0;
    return CharCode;
}

QString OVObject::AcceptNumeric(qint16 CharCode)
{
    if (CharCode >= '0' && CharCode <= '9')
        return QString(QChar(CharCode));
    return {};
}
