#include "compat/registry/RegistryStatement.h"
#include "compat/registry/SqliteLibrary.h"

#include "compat/registry/RegistryStatementCache.h"

#include <sqlite3.h>

RegistryStatement::RegistryStatement(sqlite3* db, const char* sql, quint64* busyCount)
    : m_busyCount(busyCount)
{
    m_rc = sqlite().prepare_v2(db, sql, -1, &m_stmt, nullptr);
}

RegistryStatement::RegistryStatement(RegistryStatementCache& cache, sqlite3* db, const char* sql,
                                     quint64* busyCount)
    : m_busyCount(busyCount)
{
    m_stmt = cache.take(db, sql, &m_rc, &m_cached);
}

RegistryStatement::~RegistryStatement()
{
    if (!m_cached) {
        sqlite().finalize(m_stmt);
        return;
    }
    sqlite().reset(m_stmt);
    sqlite().clear_bindings(m_stmt);
}

void RegistryStatement::bind(int index, qint64 value)
{
    if (m_rc == SQLITE_OK)
        m_rc = sqlite().bind_int64(m_stmt, index, value);
}

void RegistryStatement::bind(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    if (m_rc == SQLITE_OK)
        m_rc =
            sqlite().bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void RegistryStatement::bind(int index, const QByteArray& bytes)
{
    if (m_rc != SQLITE_OK)
        return;
    m_rc = bytes.isEmpty() ? sqlite().bind_zeroblob(m_stmt, index, 0)
                           : sqlite().bind_blob(m_stmt, index, bytes.constData(), int(bytes.size()),
                                                SQLITE_TRANSIENT);
}

int RegistryStatement::step()
{
    const int rc = m_rc == SQLITE_OK ? sqlite().step(m_stmt) : m_rc;
    const int primary = rc & 0xff;
    if (m_busyCount && (primary == SQLITE_BUSY || primary == SQLITE_LOCKED))
        ++*m_busyCount;
    return rc;
}

qint64 RegistryStatement::integer(int column) const
{
    return sqlite().column_int64(m_stmt, column);
}

QString RegistryStatement::text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite().column_text(m_stmt, column));
    return QString::fromUtf8(bytes, sqlite().column_bytes(m_stmt, column));
}

QByteArray RegistryStatement::blob(int column) const
{
    const auto* bytes = static_cast<const char*>(sqlite().column_blob(m_stmt, column));
    return QByteArray(bytes, sqlite().column_bytes(m_stmt, column));
}
