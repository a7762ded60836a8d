#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <initializer_list>
#include <memory>
#include <vector>

class QObject;
struct QMetaObject;

// The class object a library hands out for one of its classes: it creates
// instances, and the library counts them to know when it may be unloaded.
class ClassFactory
{
public:
    virtual ~ClassFactory() = default;
    virtual const QMetaObject& metaObject() const = 0;
    // A new object that the caller owns, or nullptr when it cannot be made.
    virtual QObject* createInstance() const = 0;
};

// The four entry points every library exports beside its classes, as plain C
// functions, so that any client can load the library and find them by name:
//
//   int zuno_server_register(const char* store, const char* libraryPath)
//       records the library's classes in the class registry store;
//   int zuno_server_unregister(const char* store)
//       removes exactly what registration wrote;
//       store: the store's file (null: the user's store); libraryPath: the
//       path to record (null: where the library was loaded from); both in
//       the file system's encoding. Both answer 0 on success, otherwise a
//       ClassRegistry::Status.
//   const ClassFactory* zuno_server_class_factory(const char* classId)
//       the class object of the class with that identifier ("{...}"), or
//       null when the library has no such class;
//   int zuno_server_can_unload(void)
//       1 when no object of the library is alive, else 0.
namespace ServerEntryPoints {
inline constexpr char Register[] = "zuno_server_register";
inline constexpr char Unregister[] = "zuno_server_unregister";
inline constexpr char ClassObject[] = "zuno_server_class_factory";
inline constexpr char CanUnload[] = "zuno_server_can_unload";

using RegisterFunction = int (*)(const char* store, const char* libraryPath);
using UnregisterFunction = int (*)(const char* store);
using ClassObjectFunction = const ClassFactory* (*)(const char* classId);
using CanUnloadFunction = int (*)();
} // namespace ServerEntryPoints

// A library's side of the entry points: its description and its classes,
// each with its identifiers in its meta-data. A library defines one,
// local to itself, and ZUNO_COMPONENT_SERVER(name) exports the four entry
// points over it.
class ComponentServer
{
public:
    ComponentServer(const char* libraryDescription,
                    std::initializer_list<const QMetaObject*> classes);
    // At unloading: forgets the library's own types in Qt's type registry,
    // which would otherwise point into the unmapped library.
    ~ComponentServer();
    ComponentServer(const ComponentServer&) = delete;
    ComponentServer& operator=(const ComponentServer&) = delete;

    int registerServer(const char* store, const char* libraryPath) const;
    int unregisterServer(const char* store) const;
    const ClassFactory* classFactory(const char* classId) const;
    bool canUnload() const;

private:
    class Factory;
    QString libraryPath() const;

    QString m_description;
    QList<const QMetaObject*> m_classes;
    std::vector<std::unique_ptr<Factory>> m_factories;
    mutable std::atomic<int> m_liveObjects{0};
};

#define ZUNO_COMPONENT_SERVER(server)                                                              \
    extern "C" Q_DECL_EXPORT int zuno_server_register(const char* store, const char* path)         \
    {                                                                                              \
        return (server).registerServer(store, path);                                               \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT int zuno_server_unregister(const char* store)                         \
    {                                                                                              \
        return (server).unregisterServer(store);                                                   \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT const ClassFactory* zuno_server_class_factory(const char* classId)    \
    {                                                                                              \
        return (server).classFactory(classId);                                                     \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT int zuno_server_can_unload()                                          \
    {                                                                                              \
        return (server).canUnload() ? 1 : 0;                                                       \
    }
