#pragma once

#include "CatalogueListModel.h"

#include <QObject>
#include <QString>

#include <functional>

class ModZunoSmiley;

// The user's entries of one list on disk ("Smileys.smy" or "Acronyms.acr" in
// the list folder): loading reports them through the list's catalogue
// control, saving replaces the file with the entries the list holds now.
class UserListStore : public QObject
{
    Q_OBJECT
public:
    // Reads the file at a path and reports its entries (the catalogue
    // control's LoadFile).
    using Reader = std::function<void(const QString& path)>;

    UserListStore(ModZunoSmiley& mod, const QString& fileName, Reader reader,
                  QObject* parent = nullptr);

    QString fileName() const { return m_fileName; }
    // The full path, in the list folder the program chose.
    QString path() const;

    void load() const;
    // Replaces the file atomically. False, with the reason, when it could
    // not be written; the previous file then stays whole.
    bool save(const QList<CatalogueListModel::Entry>& entries, QString* errorString) const;

private:
    ModZunoSmiley& m_mod;
    QString m_fileName;
    Reader m_reader;
};
