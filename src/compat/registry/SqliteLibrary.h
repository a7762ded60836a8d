#pragma once

#include <QString>

#include <sqlite3.h>

// SQLite, loaded the first time a class registry store is opened rather than
// with every program that might open one: the window's start opens none
// before it is drawn, and the library is among the largest it would map and
// bind at load. The functions are SQLite's own, under their names without
// the "sqlite3_" prefix.
struct SqliteLibrary
{
#define ZUNO_SQLITE_FUNCTION(name) decltype(&::sqlite3_##name) name = nullptr;
#define ZUNO_SQLITE_FUNCTIONS                                                                      \
    ZUNO_SQLITE_FUNCTION(open_v2)                                                                  \
    ZUNO_SQLITE_FUNCTION(close_v2)                                                                 \
    ZUNO_SQLITE_FUNCTION(errmsg)                                                                   \
    ZUNO_SQLITE_FUNCTION(errcode)                                                                  \
    ZUNO_SQLITE_FUNCTION(errstr)                                                                   \
    ZUNO_SQLITE_FUNCTION(exec)                                                                     \
    ZUNO_SQLITE_FUNCTION(last_insert_rowid)                                                        \
    ZUNO_SQLITE_FUNCTION(busy_handler)                                                             \
    ZUNO_SQLITE_FUNCTION(prepare_v2)                                                               \
    ZUNO_SQLITE_FUNCTION(prepare_v3)                                                               \
    ZUNO_SQLITE_FUNCTION(finalize)                                                                 \
    ZUNO_SQLITE_FUNCTION(reset)                                                                    \
    ZUNO_SQLITE_FUNCTION(clear_bindings)                                                           \
    ZUNO_SQLITE_FUNCTION(stmt_busy)                                                                \
    ZUNO_SQLITE_FUNCTION(step)                                                                     \
    ZUNO_SQLITE_FUNCTION(bind_int64)                                                               \
    ZUNO_SQLITE_FUNCTION(bind_text)                                                                \
    ZUNO_SQLITE_FUNCTION(bind_blob)                                                                \
    ZUNO_SQLITE_FUNCTION(bind_zeroblob)                                                            \
    ZUNO_SQLITE_FUNCTION(column_int64)                                                             \
    ZUNO_SQLITE_FUNCTION(column_text)                                                              \
    ZUNO_SQLITE_FUNCTION(column_blob)                                                              \
    ZUNO_SQLITE_FUNCTION(column_bytes)
    ZUNO_SQLITE_FUNCTIONS
#undef ZUNO_SQLITE_FUNCTION

    // Loads the library at the first call (any thread); false, with the
    // reason, when it or one of its functions is missing.
    static bool load(QString* why = nullptr);
};

// The loaded library: only after SqliteLibrary::load() answered true.
const SqliteLibrary& sqlite();
