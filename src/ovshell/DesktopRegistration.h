#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class ClassRegistry;
class MimePackage;

// Keeps the desktop's own registries in the user's data folder
// (XDG_DATA_HOME) in step with the file-type registrations of the class
// registry store, which stays the source of truth:
//
// - mime/packages/<type-icon-name>.xml for every class that has an extension,
//   then update-mime-database on mime/;
// - icons/hicolor/scalable/mimetypes/<type-icon-name>.svg, the class's default
//   icon, when it is a picture of the registering program file that the
//   program handed over;
// - applications/example.orvak.OVShell.<class>.<verb>.desktop for every
//   context-menu command, and on request the program's own entry, then
//   update-desktop-database on applications/.
//
// Files are written through KeptFile (only when they differ, atomically,
// never over another program's file). What a data folder of XDG_DATA_DIRS
// already provides in the same way (an installed package) is not written per
// user, and an earlier per-user copy of it is removed so that it cannot shadow
// the package. A missing tool is skipped silently.
class DesktopRegistration
{
public:
    explicit DesktopRegistration(ClassRegistry& registry);

    // Picture N of the program file, as SVG text; an empty one is forgotten.
    void setIcon(int iconIndex, const QByteArray& svg);

    // Brings the class's files in step with the store. `executable` is the
    // registering object's program file.
    void updateClass(const QString& className, const QString& executable);
    // The class an extension key names in the store; empty when none.
    QString classOfExtension(const QString& extensionKey);
    // Brings <id>.desktop in step: the program file opening the types of the
    // classes that have an extension, with the program's picture 0 as its
    // icon when it was handed over.
    void updateProgramEntry(const QString& id, const QString& name, const QStringList& classNames,
                            const QString& executable);

    // The desktop-file id of a context-menu command.
    static QString contextMenuId(const QString& className, const QString& verb);

    // Between these, the updates of one sequence read the system's data
    // folders, their icon themes and the store's extensions once, not once
    // per class: nothing writes the store meanwhile, and the system's files
    // do not change within one registration.
    void beginSequence();
    void endSequence();

private:
    struct Extension
    {
        QString key; // ".smy"
        QString foldedClass;
    };
    struct Sequence
    {
        bool foldersRead = false;
        QStringList folders;
        QHash<QString, QStringList> themeSizes; // by data folder
        bool extensionsRead = false;
        QList<Extension> extensions;
    };

    // The data folders of XDG_DATA_DIRS but the user's.
    QStringList folders();
    template <typename Test> bool anySystemFolder(Test test);
    bool systemHasIcon(const QString& folder, const QString& context, const QString& name);
    // Every extension key of the store and its class; false when the store
    // cannot be read.
    bool extensions(QList<Extension>* found);

    void updatePackage(const QString& user, const MimePackage& package);
    void updateTypeIcon(const QString& className, const QString& type, const QString& executable);
    // One entry per context-menu command, offered for the type only.
    void updateContextMenus(const QString& user, const QString& className, const QString& type,
                            const QString& executable);
    QString defaultValue(const QString& path);
    // The globs of the class's extensions; false when the store cannot be read.
    bool globsOf(const QString& className, QStringList* globs);
    // Keeps the icon in the user's hicolor theme unless a data folder of the
    // system has it; answers whether a file changed.
    bool keepIcon(const QString& context, const QString& name, const QByteArray& svg);

    // What an update of a class was made from. While none of it changes, the
    // class's files are in step and the update is not made again: a
    // program's registration updates each class after each of its writes,
    // most of which find the store holding them already.
    struct Basis
    {
        quint64 writes = 0;   // of the store object
        QByteArray storeFile; // the store file's inode, size and modification time
        QString executable;
        QString userFolder;
        quint64 iconChanges = 0;
        bool operator==(const Basis&) const = default;
    };
    Basis basis(const QString& executable) const;

    ClassRegistry& m_registry;
    QHash<int, QByteArray> m_icons;
    quint64 m_iconChanges = 0;
    QHash<QString, Basis> m_updated; // by case-folded class name
    std::unique_ptr<Sequence> m_sequence;
};
