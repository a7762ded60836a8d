#pragma once

#include <QByteArray>
#include <QString>

class RegistryStatementCache;
struct sqlite3;
struct sqlite3_stmt;

// A prepared class registry statement for one call. When it goes out of scope
// it is reset (a kept one) or finalized, so that no read keeps a lock on the
// file once its call is over. A step that finds the store held by another
// connection (in the statement's preparation or its run) adds one to
// *busyCount, when given.
class RegistryStatement
{
public:
    RegistryStatement(sqlite3* db, const char* sql, quint64* busyCount = nullptr);
    RegistryStatement(RegistryStatementCache& cache, sqlite3* db, const char* sql,
                      quint64* busyCount = nullptr);
    ~RegistryStatement();
    RegistryStatement(const RegistryStatement&) = delete;
    RegistryStatement& operator=(const RegistryStatement&) = delete;

    void bind(int index, qint64 value);
    void bind(int index, const QString& text);
    // A zero-length blob, not NULL, for empty data.
    void bind(int index, const QByteArray& bytes);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();

    qint64 integer(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = 0;
    bool m_cached = false;
    quint64* m_busyCount = nullptr;
};
