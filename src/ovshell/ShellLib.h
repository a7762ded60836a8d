#pragma once

#include "ovshell_export.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class ShellRegistration;

// The earlier interface of the shell registration library: the registrations
// of ShellLib2, each written as one default string value, and answering
// whether the write failed: false when the value was written, true when the
// store refused it. Its context-menu command has no menu text. Missing
// arguments raise the same errors as ShellLib2, before anything is written.
class OVSHELL_EXPORT ShellLib : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "OrvakShell.ShellLib")
    Q_CLASSINFO("Interface", "_ShellLib")
    Q_CLASSINFO("Description", "Orvak Shell Library")
    // Fixed identifiers, chosen once: clients bind to them, so they never change.
    Q_CLASSINFO("ClassID", "{4D784397-4E38-466E-B892-2FDA01318342}")
    Q_CLASSINFO("InterfaceID", "{2A77C30E-24CF-4349-9617-732E5705D300}")
    Q_CLASSINFO("TypeLibraryID", "{9560B0A3-0818-49DC-8DA9-62153CE68E3F}")
    Q_PROPERTY(QString ApplicationName READ ApplicationName WRITE setApplicationName)
    Q_PROPERTY(QString ApplicationPath READ ApplicationPath WRITE setApplicationPath)

public:
    Q_INVOKABLE explicit ShellLib(QObject* parent = nullptr);
    ~ShellLib() override;

    Q_INVOKABLE bool ShellRegisterExtension(const QString& lpClassName, const QString& lpExtension);
    Q_INVOKABLE bool ShellRegisterFileType(const QString& lpClassName,
                                           const QString& lpDescription);
    Q_INVOKABLE bool ShellSetDefaultIcon(const QString& lpClassName, const QString& inIconNum);
    Q_INVOKABLE bool ShellSetQuickView(const QString& lpClassName);
    // Class\Shell\verb\command -> the command line, without surrounding blanks.
    Q_INVOKABLE bool ShellAddContextMenu(const QString& lpClassName, const QString& lpCommand,
                                         const QString& lpArguments, qint16 blUseFile);

    Q_INVOKABLE QString ApplicationName() const;
    Q_INVOKABLE void setApplicationName(const QString& value);
    Q_INVOKABLE QString ApplicationPath() const;
    Q_INVOKABLE void setApplicationPath(const QString& value);

    // Outside the automation interface: as ShellLib2's.
    void setIconData(int iconIndex, const QByteArray& svgData);
    void registerDesktopEntry(const QString& desktopId, const QString& name,
                              const QStringList& classNames);

private:
    // Writes the text as the key's default string value, creating missing
    // keys; answers whether it was written. An empty text is not written.
    bool SetClassesDefaultString(const QString& lpKeyPath, const QString& lpText);

    std::unique_ptr<ShellRegistration> m_shell;
};
