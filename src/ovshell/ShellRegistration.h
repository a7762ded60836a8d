#pragma once

#include "compat/registry/ClassRegistry.h"
#include "ovshell/DesktopRegistration.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

// What ShellLib2 and ShellLib have in common: the two application properties,
// the argument tests and their errors, and the composition of every value
// they register (extension key, icon index suffix, executable path, command
// line, verb key). Internal to the library.
//
// Everything that can raise runs before the first write, so an operation that
// raises has written nothing.
class ShellRegistration
{
public:
    ShellRegistration();
    ~ShellRegistration();

    QString applicationName;
    QString applicationPath;

    // Raise the argument error (0x8004041D) when `valid` is false.
    static void requireArguments(bool valid);
    // Raise the missing-name error, then the missing-path error.
    void requireApplication() const;

    // The extension with exactly the one leading dot it needs.
    static QString extensionKey(const QString& lpExtension);
    // ",N" from the icon number as a client passes it: "", " ", "1", " 2 ", ",3".
    static QString iconIndexSuffix(const QString& inIconNum);
    // The application's folder and executable name, unquoted.
    QString executablePath() const;
    // The executable, quoted when it holds a blank, the quoted file placeholder
    // when blUseFile is exactly true (-1), and the arguments when there are any.
    QString commandLine(const QString& lpArguments, qint16 blUseFile) const;
    // lpClassName\Shell\verb.
    static QString verbKey(const QString& lpClassName, const QString& lpCommand);

    // The store of the current user, opened on first use.
    ClassRegistry& registry();
    // The desktop's registries, kept in step with that store.
    DesktopRegistration& desktop();
    // Brings the class's desktop files in step after a write about it.
    void updateDesktop(const QString& lpClassName);
    // The same after an extension was registered for the class: the class
    // the extension named before loses it.
    void updateDesktop(const QString& lpClassName, const QString& previousClass);
    // The program's own desktop entry, after the missing-name and -path tests.
    void registerDesktopEntry(const QString& desktopId, const QString& name,
                              const QStringList& classNames);

    // A sequence of registrations as one store transaction. From begin to
    // commit, the writes are staged (stage()) and the desktop updates noted,
    // not made; commit() writes what is staged in one transaction (compared
    // first, so a sequence that changes nothing takes no write lock), then
    // brings each class's desktop files in step once. Calls raise as always;
    // a sequence that is rolled back or never committed writes nothing.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    bool inTransaction() const { return m_transaction != nullptr; }
    // Whether the last commit found the store held by another process for
    // longer than the store's wait, and so wrote nothing.
    bool storeWasBusy() const { return m_storeBusy; }
    // One value for the commit; the key and its path are created with it.
    void stage(const QString& keyPath, const ClassRegistry::Value& value);

private:
    struct Transaction;

    std::unique_ptr<ClassRegistry> m_registry;
    std::unique_ptr<DesktopRegistration> m_desktop;
    std::unique_ptr<Transaction> m_transaction;
    bool m_storeBusy = false;
};
