// Prints how long the program's file-type registration at its start takes
// (ModZunoSmiley::RegisterListFileTypes, the real one): the first, into an
// empty data folder, and a repeated one that finds everything registered,
// beside the reference of reading the same eight values back from the store.
// The user's data folder is a temporary one; XDG_DATA_DIRS stays as it is, so
// the comparisons with the system's MIME types and icons are the real ones.
//
//   bench_registration [RUNS]            best of RUNS each (default 20)
//   bench_registration --once DATA_HOME  one registration into DATA_HOME
//
// For instruction counts, run --once twice into one folder, the second time
// under callgrind:
//   valgrind --tool=callgrind --toggle-collect='ModZunoSmiley::RegisterListFileTypes()'
//       bench_registration --once DIR

#include "BestTime.h"
#include "app/ModZunoSmiley.h"
#include "compat/registry/ClassRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

void registerInto(const QString& dataHome)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    ModZunoSmiley program(dataHome + QStringLiteral("/bin/ZunoSmiley"));
    program.RegisterListFileTypes();
}

// What a reader of the registration asks the store.
void readBack(const QString& dataHome)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    ClassRegistry registry;
    QString text;
    for (const char* key :
         {"ZunoSmileys", "ZunoAcronyms", ".smy", ".acr", "ZunoSmileys\\DefaultIcon",
          "ZunoAcronyms\\DefaultIcon", "ZunoSmileys\\QuickView", "ZunoAcronyms\\QuickView"})
        registry.queryDefaultValue(QLatin1String(key), 4096, &text);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--once")) {
        registerInto(QDir(arguments.at(2)).absolutePath());
        return 0;
    }
    const int runs = arguments.size() > 1 ? std::max(1, arguments.at(1).toInt()) : 20;

    QTemporaryDir work;
    if (!work.isValid())
        return 0;
    int fresh = 0;
    QString home;
    const double first = bestMilliseconds(
        runs, [&] { registerInto(home); }, [&] { home = work.filePath(QString::number(++fresh)); });
    const double repeated = bestMilliseconds(runs, [&] { registerInto(home); });
    const double reference = bestMilliseconds(runs, [&] { readBack(home); });

    std::printf("%-34s %10s %10s\n", "", "ms (best)", "x reading");
    std::printf("%-34s %10.3f %10.1f\n", "first registration", first, first / reference);
    std::printf("%-34s %10.3f %10.1f\n", "repeated, nothing changes", repeated,
                repeated / reference);
    std::printf("%-34s %10.3f %10.1f\n", "reference: read the 8 values", reference, 1.0);
    return 0;
}
