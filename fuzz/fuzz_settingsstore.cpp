// Fuzz target of the settings reader: the program's read path over whatever
// bytes the settings file holds. No crash, the language is always French or
// English, no more keys than lines, and the language the program takes holds
// no line end, and a file it cannot use is set aside whole.

#include "FuzzCheck.h"
#include "app/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> configHome;
QString settingsFile;
qint64 generation = 0;

void writeSettingsFile(const QByteArray& bytes)
{
    QFile file(settingsFile);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    file.close();
    // A new time stamp for every input, so that no cached reading of an
    // earlier input with the same size can answer for this one.
    ++generation;
    const struct timespec times[2] = {{1000000000 + generation, 0}, {1000000000 + generation, 0}};
    FUZZ_CHECK(::utimensat(AT_FDCWD, QFile::encodeName(settingsFile).constData(), times, 0) == 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The program reads its settings with its application object in place, and
    // a stored value may name a type that needs one (an image, a cursor).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QCoreApplication application(*argc, *argv);
    // Never the real user's settings: a private configuration folder.
    configHome = std::make_unique<QTemporaryDir>();
    FUZZ_CHECK(configHome->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome->path()));
    settingsFile = SettingsStore::fileName();
    FUZZ_CHECK(settingsFile.startsWith(configHome->path()));
    FUZZ_CHECK(QDir().mkpath(QFileInfo(settingsFile).absolutePath()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    writeSettingsFile(bytes);

    const qint16 language = SettingsStore::language();
    FUZZ_CHECK(language == 1 || language == 2);
    const QString stored = SettingsStore::read(SettingsStore::LanguageKey, QStringLiteral("1"),
                                               SettingsStore::Configuration);
    bool isNumber = false;
    stored.trimmed().toLongLong(&isNumber);
    FUZZ_CHECK(!isNumber || !holdsLineEnd(stored.trimmed()));

    // The file as the store sees it, when the reader kept it; one it set
    // aside holds the input unchanged.
    const QDir folder = QFileInfo(settingsFile).absoluteDir();
    const QStringList setAside = folder.entryList({QStringLiteral("*.damaged-*")}, QDir::Files);
    FUZZ_CHECK(setAside.size() <= 1);
    if (setAside.isEmpty()) {
        QSettings settings(settingsFile, QSettings::IniFormat);
        FUZZ_CHECK(settings.allKeys().size() <= lineCount(bytes.constData(), size));
    } else {
        QFile kept(folder.filePath(setAside.first()));
        FUZZ_CHECK(!QFileInfo::exists(settingsFile) && kept.open(QIODevice::ReadOnly) &&
                   kept.readAll() == bytes);
        FUZZ_CHECK(kept.remove());
    }
    return 0;
}
