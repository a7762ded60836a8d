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
    Q_INVOKABLE bool PathExists(const QString& lpFolder);
    // True for a regular file that can be opened for reading; never blocks.
    Q_INVOKABLE bool FileExists(const QString& lpFilename);
    // 1-based position of the last lpChar[0] in lpString, 0 when absent.
    Q_INVOKABLE qint32 RInStr(const QString& lpString, const QString& lpChar);
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
    Q_INVOKABLE LanguageConstants Language() const;
    Q_INVOKABLE bool DriveExists(const QString& lpDrive);
};
