// Without libFuzzer, a fuzz target is this replay driver: it feeds every file
// of the corpus folders given as arguments (or of the checked-in corpus) to
// the target once, so the test suite runs the same invariants on every build.

#include "FuzzCheck.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    QStringList folders;
    for (int i = 1; i < argc; ++i)
        folders << QFile::decodeName(argv[i]);
    if (folders.isEmpty())
        folders << QStringLiteral(FUZZ_CORPUS);

    int count = 0;
    for (const QString& folder : std::as_const(folders)) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   size_t(bytes.size()));
            ++count;
        }
    }
    std::printf("replayed %d inputs\n", count);
    return count > 0 ? 0 : 1;
}
