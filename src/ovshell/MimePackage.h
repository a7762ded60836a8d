#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The shared-mime-info description of one document type as the class
// registry store defines it: "application/x-" and the class name in lower
// case, a glob per extension, the class's description as the comment, plain
// text as the parent and the icon named after the type.
class MimePackage
{
public:
    QString type;
    QString comment; // may be empty: the type then has no comment
    QStringList globs;

    // "application/x-zunosmileys" for "ZunoSmileys"; empty when the name makes
    // no valid type (blanks, "/", letters outside ASCII...).
    static QString typeForClass(const QString& className);
    // "*.smy" for the extension key ".smy"; empty for an extension that makes
    // no sound glob ("." alone, or wildcards, ":" or "/" in it).
    static QString globForExtension(const QString& extensionKey);
    // The icon-theme name of a type: "application-x-zunosmileys".
    static QString iconName(const QString& type);

    // The package's file name below mime/packages.
    QString fileName() const;
    // The package, marked as the shell library's.
    QByteArray content() const;
    // Whether the MIME database of a data folder (as update-mime-database
    // left it there) already defines this type with the same comment, globs
    // and parent.
    bool isDefinedIn(const QString& dataFolder) const;
};
