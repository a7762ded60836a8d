#pragma once

#include "compat/registry/ClassRegistry.h"

#include <QList>
#include <QString>

struct QMetaObject;

// Where a library's classes are recorded in the class registry store, in the
// layout that clients look up (key paths below the store's root):
//
//   <ProgID>                                  (default) class description
//   <ProgID>\CLSID                            (default) class identifier
//   CLSID\{class}                             (default) class description
//   CLSID\{class}\InprocServer32              (default) absolute library path,
//                                             ThreadingModel "Apartment"
//   CLSID\{class}\ProgID                      (default) <ProgID>
//   CLSID\{class}\DefaultInterface            (default) interface identifier
//   CLSID\{class}\TypeLib                     (default) type information identifier
//   CLSID\{class}\Version                     (default) type information version
//   Interface\{interface}                     (default) interface name ("_ZunoSmiley1")
//   Interface\{interface}\TypeLib             (default) type information identifier,
//                                             Version
//   TypeLib\{typelib}\<version>               (default) library description
//   TypeLib\{typelib}\<version>\0\<platform>  (default) absolute library path
//   TypeLib\{typelib}\<version>\Enumerations\<enumeration>
//                                             one 32-bit value per member
//
// The identifiers come from each class's meta-data: Q_CLASSINFO "ClassID",
// "InterfaceID" and "TypeLibraryID", braced upper-case UUIDs chosen once.
namespace RegistrationLayout {

// The version of every library's type information.
inline constexpr char TypeLibraryVersion[] = "1.0";

// A class's identifier entries from its meta-data; empty when it has none.
QString classId(const QMetaObject& meta);
QString interfaceId(const QMetaObject& meta);
QString typeLibraryId(const QMetaObject& meta);

// Every value a library's registration writes; its unregistration removes
// the same list.
QList<ClassRegistry::Entry> entries(const QString& libraryDescription,
                                    const QList<const QMetaObject*>& classes,
                                    const QString& libraryPath);

// The keys a client reads: the class identifier of a registered name, and
// the library of a class identifier (both in their default values).
QString classIdKey(const QString& progId);
QString libraryKey(const QString& classId);

} // namespace RegistrationLayout
