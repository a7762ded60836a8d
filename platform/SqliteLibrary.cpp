#include "SqliteLibrary.h"

#include <dlfcn.h>

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
        // The soname the package depends on; never unloaded.
        void* handle = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            result.failure = QString::fromLocal8Bit(dlerror());
            return result;
        }
        bool complete = true;
#define ZUNO_SQLITE_FUNCTION(name)                                                                 \
    result.library.name =                                                                          \
        reinterpret_cast<decltype(result.library.name)>(dlsym(handle, "sqlite3_" #name));          \
    if (!result.library.name && complete) {                                                        \
        complete = false;                                                                          \
        result.failure = QStringLiteral("libsqlite3.so.0 lacks sqlite3_" #name);                   \
    }
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
