#include "UserListStore.h"

#include "ModZunoSmiley.h"
#include "UserListFile.h"

UserListStore::UserListStore(ModZunoSmiley& mod, const QString& fileName, Reader reader,
                             QObject* parent)
    : QObject(parent)
    , m_mod(mod)
    , m_fileName(fileName)
    , m_reader(std::move(reader))
{}

QString UserListStore::path() const
{
    return m_mod.listFilePath(m_fileName);
}

void UserListStore::load() const
{
    m_reader(path());
}

bool UserListStore::save(const QList<CatalogueListModel::Entry>& entries,
                         QString* errorString) const
{
    QList<UserListFile::Record> records;
    records.reserve(entries.size());
    for (const auto& entry : entries)
        records.append({entry.text, entry.description});
    return UserListFile::save(path(), records, errorString);
}
