#include "compat/registry/RegistryStatementCache.h"
#include "compat/registry/SqliteLibrary.h"

#include <sqlite3.h>

RegistryStatementCache::~RegistryStatementCache()
{
    clear();
}

sqlite3_stmt* RegistryStatementCache::take(sqlite3* db, const char* sql, int* rc, bool* cached)
{
    *cached = false;
    sqlite3_stmt*& kept = m_statements[sql];
    if (kept && !sqlite().stmt_busy(kept)) {
        *rc = SQLITE_OK;
        *cached = true;
        return kept;
    }
    sqlite3_stmt* statement = nullptr;
    *rc =
        sqlite().prepare_v3(db, sql, -1, kept ? 0 : SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    if (*rc != SQLITE_OK || kept) // a failure, or the kept one is in use: a one-off
        return statement;
    kept = statement;
    *cached = true;
    return statement;
}

void RegistryStatementCache::clear()
{
    for (sqlite3_stmt* statement : std::as_const(m_statements))
        sqlite().finalize(statement);
    m_statements.clear();
}
