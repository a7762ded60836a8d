#include "compat/registry/ComponentLoader.h"

#include "base/InstallLayout.h"

#include "compat/registry/ClassRegistry.h"
#include "compat/registry/ComponentServer.h"
#include "compat/registry/RegistrationLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMutex>
#include <QObject>
#include <QStandardPaths>

#include <memory>

namespace ComponentLoader {

namespace {

constexpr char StoreName[] = "ZunoSmileys/registry.sqlite";
// Registered paths are file paths; no key value is longer.
constexpr qsizetype MaxValueBytes = 65536;

// The libraries this process loaded for its objects, by registered path.
struct LoadedLibraries
{
    QMutex mutex;
    QHash<QString, std::shared_ptr<QLibrary>> byPath;
};

LoadedLibraries& loaded()
{
    static LoadedLibraries libraries;
    return libraries;
}

// The first store's answer for the default value of `key`.
bool firstDefaultValue(const QStringList& stores, const QString& key, QString* value)
{
    for (const QString& location : stores) {
        ClassRegistry registry(location);
        if (registry.queryDefaultValue(key, MaxValueBytes, value) == ClassRegistry::Status::Success)
            return true;
    }
    return false;
}

} // namespace

QStringList storeLocations()
{
    QStringList stores{ClassRegistry::defaultLocation()};
    if (QCoreApplication::instance())
        stores.append(InstallLayout::dataFolder(QCoreApplication::applicationDirPath()) +
                      QLatin1Char('/') + QLatin1String(StoreName));
    const QStringList data = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString& folder : data)
        stores.append(QDir::cleanPath(folder + QLatin1Char('/') + QLatin1String(StoreName)));
    stores.removeAll(QString());
    stores.removeDuplicates();
    return stores;
}

bool find(const QString& progId, Registration* registration, QString* error)
{
    const QStringList stores = storeLocations();
    if (!firstDefaultValue(stores, RegistrationLayout::classIdKey(progId),
                           &registration->classId)) {
        *error = QStringLiteral("%1 is not registered").arg(progId);
        return false;
    }
    if (!firstDefaultValue(stores, RegistrationLayout::libraryKey(registration->classId),
                           &registration->libraryPath) ||
        registration->libraryPath.isEmpty()) {
        *error = QStringLiteral("%1 is not registered: class %2 has no library")
                     .arg(progId, registration->classId);
        return false;
    }
    return true;
}

QObject* create(const QString& progId, QString* error)
{
    Registration registration;
    if (!find(progId, &registration, error))
        return nullptr;
    const QString& path = registration.libraryPath;
    // Exactly the registered file: the loader would otherwise search its own
    // path for a relative name, and try other prefixes and suffixes for a
    // file that is gone.
    if (!QDir::isAbsolutePath(path)) {
        *error = QStringLiteral("%1 is registered with %2, which is not an absolute path")
                     .arg(progId, path);
        return nullptr;
    }
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1 is registered with %2, which does not exist").arg(progId, path);
        return nullptr;
    }

    LoadedLibraries& libraries = loaded();
    QMutexLocker lock(&libraries.mutex);
    std::shared_ptr<QLibrary>& library = libraries.byPath[path];
    if (!library) {
        auto candidate = std::make_shared<QLibrary>(path);
        if (!candidate->load()) {
            libraries.byPath.remove(path);
            *error = QStringLiteral("%1 is registered with %2, which cannot be loaded: %3")
                         .arg(progId, path, candidate->errorString());
            return nullptr;
        }
        library = candidate;
    }
    const auto classObject = reinterpret_cast<ServerEntryPoints::ClassObjectFunction>(
        library->resolve(ServerEntryPoints::ClassObject));
    const ClassFactory* factory =
        classObject ? classObject(registration.classId.toLatin1().constData()) : nullptr;
    if (!factory) {
        *error = QStringLiteral("%1 is registered with %2, which does not serve class %3")
                     .arg(progId, path, registration.classId);
        return nullptr;
    }
    QObject* object = factory->createInstance();
    if (!object)
        *error = QStringLiteral("class %1 cannot be created").arg(progId);
    return object;
}

int unloadUnusedLibraries()
{
    LoadedLibraries& libraries = loaded();
    QMutexLocker lock(&libraries.mutex);
    int unloaded = 0;
    for (auto it = libraries.byPath.begin(); it != libraries.byPath.end();) {
        const auto canUnload = reinterpret_cast<ServerEntryPoints::CanUnloadFunction>(
            it.value()->resolve(ServerEntryPoints::CanUnload));
        if (canUnload && canUnload() == 1) {
            it.value()->unload();
            it = libraries.byPath.erase(it);
            ++unloaded;
        } else {
            ++it;
        }
    }
    return unloaded;
}

} // namespace ComponentLoader
