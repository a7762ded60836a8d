#pragma once

#include "ovobj10_export.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

// The object library's one creatable class: path and file services, file
// attributes, system information, a four-answer confirmation dialog, shell
// and help calls, fonts, a blue fade for forms and numeric key filters.
//
// The interface is the Q_INVOKABLE members below in this exact order; clients
// bound to the order rely on it. The language and font settings are shared by
// every OVObject of a thread, and each new OVObject resets them to French and
// "Arial". Members that work on windows need a QApplication on the calling
// thread.
class OVOBJ10_EXPORT OVObject : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "OrvakObject.OVObject")
    Q_CLASSINFO("Interface", "_OVObject")
    Q_CLASSINFO("Description", "Orvak Object Library")
    // Fixed identifiers, chosen once: clients bind to them, so they never change.
    Q_CLASSINFO("ClassID", "{9DF0B568-809B-460D-A2B7-948374F2AC84}")
    Q_CLASSINFO("InterfaceID", "{8A935C5E-79BF-470F-8243-5027F405C092}")
    Q_CLASSINFO("TypeLibraryID", "{692B6630-9355-4F7E-A9FB-74C05D441BE6}")
    // Write-only in the interface: moc needs a reader, which stays out of the interface.
    Q_PROPERTY(QString FontName READ fontName WRITE setFontName)
    Q_PROPERTY(LanguageConstants Language READ Language WRITE setLanguage)

public:
    enum LanguageConstants : qint32 { objFrench = 1, objEnglish = 2 };
    Q_ENUM(LanguageConstants)

    enum FadeStyleConstants : qint32 {
        objFadeDiagonal = 0,
        objFadeVertical = 1,
        objFadeHorizontal = 2,
        objFadeSolidBlue = 3,
    };
    Q_ENUM(FadeStyleConstants)

    Q_INVOKABLE explicit OVObject(QObject* parent = nullptr);
    ~OVObject() override;

    // The thread's font name; not part of the interface.
    QString fontName() const;

    // Shows the confirmation dialog modally: 1 yes, 2 yes for all, 3 no,
    // 4 cancel, 0 when it went away without a button.
    Q_INVOKABLE qint16 GetConfirmValue(const QString& lpMessage, bool lpForAllEnabled,
                                       const QVariant& lpTitle = QVariant());
    // An empty name is ignored.
    Q_INVOKABLE void setFontName(const QString& name);
    // Stored as given; values other than 1 and 2 make texts fall back to English.
    Q_INVOKABLE void setLanguage(LanguageConstants language);
    Q_INVOKABLE bool IsValidFontName(const QString& lpFontName);
    Q_INVOKABLE bool PathExists(const QString& lpFolder);
    // True for a regular file that can be opened for reading; never blocks.
    Q_INVOKABLE bool FileExists(const QString& lpFilename);
    Q_INVOKABLE QString SystemDirectory();
    Q_INVOKABLE QString WindowsDirectory();
    // 1-based position of the last lpChar[0] in lpString, 0 when absent.
    Q_INVOKABLE qint32 RInStr(const QString& lpString, const QString& lpChar);
    // For a text box's key filter: the character to let through, 0 to swallow.
    Q_INVOKABLE qint16 SetNumericData(QObject* Ctl, qint16 CharCode);
    Q_INVOKABLE QString UserName();
    Q_INVOKABLE QString ComputerName();
    Q_INVOKABLE QString AddQuote(const QString& lpText);
    Q_INVOKABLE QString RemovePathFileExtension(const QString& lpFilename);
    Q_INVOKABLE QString RemovePathFromFile(const QString& lpFilename);
    Q_INVOKABLE QString RemoveFileExtension(const QString& lpFilename);
    Q_INVOKABLE QString GetFileExtension(const QString& lpFilename);
    // Whether the extension occurs anywhere in the name, ignoring case.
    Q_INVOKABLE bool FileHasExtension(const QString& lpFilename, const QString& lpExtension);
    Q_INVOKABLE QString AddSlashToPath(const QString& lpPathName);
    // Creates a new empty file in the temporary folder; its name, or an empty
    // string when none could be created.
    Q_INVOKABLE QVariant CreateTempFile(const QString& lpFilePrefix);
    Q_INVOKABLE QString RemoveQuote(const QString& lpString);
    Q_INVOKABLE bool IsValidFileName(const QVariant& lpString);
    Q_INVOKABLE QString GetPathName(const QString& lpFilename);
    // The registered description of the file's type, in the class registry.
    Q_INVOKABLE QString GetFileType(const QString& lpFilename);
    Q_INVOKABLE QString ShortPathName(const QString& lpFilename);
    Q_INVOKABLE void MessagePerso(const QString& lpTitle, const QString& lpMessage,
                                  const QVariant& ImageType);
    Q_INVOKABLE void HelpExit(const QString& lpHelpFile);
    Q_INVOKABLE void HelpOnHelp(const QString& lpHelpFile);
    Q_INVOKABLE void HelpContext(const QString& lpHelpFile);
    Q_INVOKABLE void HelpIndex(const QString& lpHelpFile);
    Q_INVOKABLE void SetGlobalFont(QObject* frm, const QString& lpFontName);
    Q_INVOKABLE bool IsReadOnlyFile(const QString& lpFilename);
    // True when the file is neither read-only, hidden, system nor archive.
    Q_INVOKABLE bool IsNormalFile(const QString& lpFilename);
    Q_INVOKABLE bool IsArchiveFile(const QString& lpFilename);
    Q_INVOKABLE bool IsHiddenFile(const QString& lpFilename);
    Q_INVOKABLE bool IsSystemFile(const QString& lpFilename);
    Q_INVOKABLE LanguageConstants Language() const;
    Q_INVOKABLE QString AcceptNumeric(qint16 CharCode);
    Q_INVOKABLE bool DriveExists(const QString& lpDrive);
    Q_INVOKABLE void ShellAddToRecentDocs(const QString& lpFilename);
    Q_INVOKABLE void ShellGetFileProperties(qint32 dwHwnd, const QString& lpFilename);
    Q_INVOKABLE void ShellMoveFiles(const QStringList& lpFileNames,
                                    const QString& lpDestinationFolder);
    Q_INVOKABLE void ShellRenameFile(const QString& lpOldName, const QString& lpNewName);
    Q_INVOKABLE void FadeForm(QObject* objForm, FadeStyleConstants FadeStyle);

private:
    bool hasDosAttribute(const QString& fileName, quint32 bit);
    void runHelp(const QString& helpFile, int command);

    // Colour depth of the first faded form's screen and its band count,
    // measured once per object.
    qint32 m_colourDepth = 0;
    qint16 m_bandCount = 0;
};
