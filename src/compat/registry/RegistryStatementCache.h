#pragma once

#include <QHash>

struct sqlite3;
struct sqlite3_stmt;

// The statements of one class registry connection, prepared once and kept:
// parsing a statement costs more than running it on the few rows a
// registration reads. Keyed by the text's address (the literals of the
// store's code); cleared before the connection closes, since SQLite keeps a
// connection with statements alive.
class RegistryStatementCache
{
public:
    RegistryStatementCache() = default;
    ~RegistryStatementCache();
    RegistryStatementCache(const RegistryStatementCache&) = delete;
    RegistryStatementCache& operator=(const RegistryStatementCache&) = delete;

    // A statement ready to bind, or null when none can be prepared (yet: a
    // table that does not exist); `*cached` tells whether it is the cache's.
    sqlite3_stmt* take(sqlite3* db, const char* sql, int* rc, bool* cached);
    void clear();

private:
    QHash<const char*, sqlite3_stmt*> m_statements;
};
