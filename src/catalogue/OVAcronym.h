#pragma once

#include "UserListReader.h"
#include "zunocatalogue_export.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class CatalogueControl;

// The acronym catalogue control: reports the built-in acronyms, with their
// descriptions in its language, and the acronyms of a user list file, one
// NextAcronym event per entry, synchronously inside the call that causes them.
//
// Its members are its interface, in this order.
class ZUNOCATALOGUE_EXPORT OVAcronym : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "OrvakSmileys.OVAcronym")
    Q_CLASSINFO("Interface", "_OVAcronym")
    Q_CLASSINFO("Description", "Orvak Zuno Smileys catalogue of acronyms")
    // Fixed identifiers, chosen once: clients bind to them, so they never change.
    Q_CLASSINFO("ClassID", "{1FF9E94C-669F-432C-8A25-F22EEB8D1D8A}")
    Q_CLASSINFO("InterfaceID", "{52B372D5-20B0-4A3E-93E4-38F29AC769B6}")
    Q_CLASSINFO("TypeLibraryID", "{161FF2C9-0AFD-48A7-AF18-2D636F70EE19}")
    Q_PROPERTY(qint32 Language READ Language WRITE setLanguage)

public:
    // Starts in English.
    Q_INVOKABLE explicit OVAcronym(QObject* parent = nullptr);
    ~OVAcronym() override;

    // The language of the descriptions: 1 French, 2 English. Any value is
    // kept; every value but 1 gives English.
    Q_INVOKABLE qint32 Language() const;
    Q_INVOKABLE void setLanguage(qint32 value);

    // Raises NextAcronym once per built-in acronym, in catalogue order, with
    // Default -1, before it returns.
    Q_INVOKABLE void LoadTable();

    // Raises NextAcronym once per entry of the user list file at lpFilename, in
    // file order, with Default 0, before it returns. A missing or unreadable
    // file raises nothing and is no error.
    Q_INVOKABLE void LoadFile(const QString& lpFilename);

    // What the last LoadFile found: no file, no regular file, or a file read
    // whole or cut at the reader's limits. Not part of the interface.
    const UserListReader::Result& lastFileRead() const { return m_lastFileRead; }

    // The words the built-in entries are searched by besides their
    // descriptions, French and English alike, by entry text. Not part of
    // the interface.
    static QHash<QString, QStringList> tableKeywords();

Q_SIGNALS:
    // Default is an automation Boolean: -1 for a built-in entry, 0 for a user entry.
    void NextAcronym(const QString& Acronym, const QString& Description, qint16 Default);

private:
    std::unique_ptr<CatalogueControl> m_catalogue;
    UserListReader::Result m_lastFileRead;
};
