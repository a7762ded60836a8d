#include "compat/registry/SqliteLibrary.h"

#include <QLibrary>

namespace {

struct Loaded
{
    SqliteLibrary library;
    QString failure; // empty once loaded
};

const Loaded& loaded()
{
    static const Loaded once = [] {
        Loaded result;
        // The soname the package depends on; a QLibrary never unloads by itself.
        QLibrary handle(QStringLiteral("sqlite3"), 0);
        if (!handle.load()) {
            result.failure = handle.errorString();
            return result;
        }
#define ZUNO_SQLITE_FUNCTION(name)                                                                 \
    result.library.name =                                                                          \
        reinterpret_cast<decltype(result.library.name)>(handle.resolve("sqlite3_" #name));         \
    if (!result.library.name && result.failure.isEmpty())                                          \
        result.failure = QStringLiteral("libsqlite3.so.0 lacks sqlite3_" #name);
        ZUNO_SQLITE_FUNCTIONS
#undef ZUNO_SQLITE_FUNCTION
        return result;
    }();
    return once;
}

} // namespace

bool SqliteLibrary::load(QString* why)
{
    const Loaded& state = loaded();
    if (why)
        *why = state.failure;
    return state.failure.isEmpty();
}

const SqliteLibrary& sqlite()
{
    return loaded().library;
}
