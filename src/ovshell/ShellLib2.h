#pragma once

#include "ovshell_export.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <chrono>
#include <memory>

class ShellRegistration;

// Makes a program's document files known to the desktop: writes file-type
// registrations (extension, document class and its description, default icon,
// quick view, context-menu command) into the user's class registry store.
//
// The members are the interface, in this order. Missing arguments raise an
// AutomationError with a number and a French description, before anything is
// written; a store that cannot be written is ignored silently. Set
// ApplicationName and ApplicationPath before ShellSetDefaultIcon and
// ShellAddContextMenu.
class OVSHELL_EXPORT ShellLib2 : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "OrvakShell.ShellLib2")
    Q_CLASSINFO("Interface", "_ShellLib2")
    Q_CLASSINFO("Description", "Orvak Shell Library")
    // Fixed identifiers, chosen once: clients bind to them, so they never change.
    Q_CLASSINFO("ClassID", "{67BA5EB1-D502-481E-A6EB-9EE0A91FD4B1}")
    Q_CLASSINFO("InterfaceID", "{0359EB90-CFF8-4180-9C05-50B8D2EA64D0}")
    Q_CLASSINFO("TypeLibraryID", "{9560B0A3-0818-49DC-8DA9-62153CE68E3F}")
    Q_PROPERTY(QString ApplicationName READ ApplicationName WRITE setApplicationName)
    Q_PROPERTY(QString ApplicationPath READ ApplicationPath WRITE setApplicationPath)

public:
    Q_INVOKABLE explicit ShellLib2(QObject* parent = nullptr);
    ~ShellLib2() override;

    // Extension ("smy" or ".smy") -> class name.
    Q_INVOKABLE void ShellRegisterExtension(const QString& lpClassName, const QString& lpExtension);
    // Class -> the description shown for the type.
    Q_INVOKABLE void ShellRegisterFileType(const QString& lpClassName,
                                           const QString& lpDescription);
    // Class\DefaultIcon -> the executable and ",N" from inIconNum ("1", ",1", " 1 ").
    Q_INVOKABLE void ShellSetDefaultIcon(const QString& lpClassName, const QString& inIconNum);
    // Class\QuickView -> "*".
    Q_INVOKABLE void ShellSetQuickView(const QString& lpClassName);
    // Class\Shell\verb -> menu text, and its "command" subkey -> the command
    // line; blUseFile is an automation Boolean: only -1 adds the file.
    Q_INVOKABLE void ShellAddContextMenu(const QString& lpClassName, const QString& lpCommand,
                                         const QString& lpArguments, const QString& lpDescription,
                                         qint16 blUseFile);

    // The executable's file name and its folder; stored as given.
    Q_INVOKABLE QString ApplicationName() const;
    Q_INVOKABLE void setApplicationName(const QString& value);
    Q_INVOKABLE QString ApplicationPath() const;
    Q_INVOKABLE void setApplicationPath(const QString& value);

    // For C++ programs, outside the automation interface. The class registry
    // store is what this library's readers use; the desktop has registries of
    // its own (shared-mime-info, the icon theme, desktop entries), which the
    // library keeps in step in the user's data folder: a MIME type
    // "application/x-<class in lower case>" for every class with an
    // extension, and a desktop entry for every context-menu command.
    //
    // On Linux a program file holds no icons. setIconData hands over picture N
    // of the program file as SVG text, so that ShellSetDefaultIcon(class, ",N")
    // for this object's program file installs it as the type's icon; call it
    // before the registration. Picture 0 is the program's own icon, used by
    // registerDesktopEntry. Empty data forgets the picture.
    void setIconData(int iconIndex, const QByteArray& svgData);
    // Writes, when it differs, the desktop entry "<desktopId>.desktop" that
    // opens the files of the classes (those with an extension) with this
    // object's program file: Exec the program and %F, MimeType their types.
    // Call it after the classes' extensions are registered. Raises the
    // missing-name and missing-path errors as ShellSetDefaultIcon does; an id
    // that is no valid desktop-file id writes nothing.
    void registerDesktopEntry(const QString& desktopId, const QString& name,
                              const QStringList& classNames);

    // Runs the calls from beginTransaction() to commitTransaction() as one
    // transaction of the store, leaving what they would leave one by one. They
    // check their arguments and raise as always but write nothing; the commit
    // compares all of it with the store in one read, writes what differs in
    // one write transaction (so a sequence that changes nothing takes no
    // write lock, and a reader sees all of it or none), then brings the
    // desktop's files in step once. A sequence that is rolled back, or not
    // committed before the object goes (a call raised), writes nothing. A
    // begin within a transaction goes on with it.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();

    // How long a call or a commit waits for a store another process holds
    // while it does not change: 5 s unless set. A program that registers
    // from its window's thread sets a few milliseconds, and when
    // storeWasBusy() answers true, runs its sequence again later.
    void setStoreWait(std::chrono::milliseconds wait);
    // Whether the last commit wrote nothing because another process held the
    // store for longer than the wait; the desktop's files were left as they
    // were.
    bool storeWasBusy() const;

private:
    // Creates the key and every missing key on its path; the outcome is not examined.
    void CreateClassesKey(const QString& lpKeyPath);
    // Opens the key, writes one value, closes it; the outcome is not examined.
    void SetClassesKeyValue(const QString& lpKeyPath, const QString& lpValueName,
                            const QVariant& value, quint32 type);
    // Writes a string (1) or a 32-bit (4) value into an open key; answers the
    // store's status, 0 for success.
    int SetOpenKeyValue(quint64 hKey, const QString& lpValueName, quint32 type,
                        const QVariant& value);

    std::unique_ptr<ShellRegistration> m_shell;
};
