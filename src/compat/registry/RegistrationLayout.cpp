#include "compat/registry/RegistrationLayout.h"

#include <QMetaEnum>
#include <QMetaObject>
#include <QtEndian>

namespace RegistrationLayout {

namespace {

// The folder name of this system's library path below the type information.
#ifdef Q_OS_WIN
constexpr char PlatformName[] = "win32";
#else
constexpr char PlatformName[] = "linux";
#endif

QString info(const QMetaObject& meta, const char* name)
{
    const int index = meta.indexOfClassInfo(name);
    return index < 0 ? QString() : QString::fromLatin1(meta.classInfo(index).value());
}

ClassRegistry::Entry text(const QString& key, const QString& value, const QString& name = {})
{
    QByteArray data = value.toUtf8();
    data.append('\0');
    return {key, {name, ClassRegistry::String, data}};
}

ClassRegistry::Entry number(const QString& key, const QString& name, qint32 value)
{
    QByteArray data(4, '\0');
    qToLittleEndian(value, data.data());
    return {key, {name, ClassRegistry::Dword, data}};
}

} // namespace

QString classId(const QMetaObject& meta)
{
    return info(meta, "ClassID");
}

QString interfaceId(const QMetaObject& meta)
{
    return info(meta, "InterfaceID");
}

QString typeLibraryId(const QMetaObject& meta)
{
    return info(meta, "TypeLibraryID");
}

QString classIdKey(const QString& progId)
{
    return progId + QLatin1String("\\CLSID");
}

QString libraryKey(const QString& id)
{
    return QLatin1String("CLSID\\") + id + QLatin1String("\\InprocServer32");
}

QList<ClassRegistry::Entry> entries(const QString& libraryDescription,
                                    const QList<const QMetaObject*>& classes,
                                    const QString& libraryPath)
{
    const QString version = QString::fromLatin1(TypeLibraryVersion);
    QList<ClassRegistry::Entry> list;
    QString typeLibrary;
    QStringList enumerations;
    for (const QMetaObject* meta : classes) {
        const QString progId = info(*meta, "ProgID");
        const QString description = info(*meta, "Description");
        const QString id = classId(*meta);
        const QString interface = interfaceId(*meta);
        typeLibrary = typeLibraryId(*meta);
        const QString classKey = QLatin1String("CLSID\\") + id;
        const QString interfaceKey = QLatin1String("Interface\\") + interface;
        list << text(progId, description) << text(classIdKey(progId), id)
             << text(classKey, description) << text(libraryKey(id), libraryPath)
             << text(libraryKey(id), QStringLiteral("Apartment"), QStringLiteral("ThreadingModel"))
             << text(classKey + QLatin1String("\\ProgID"), progId)
             << text(classKey + QLatin1String("\\DefaultInterface"), interface)
             << text(classKey + QLatin1String("\\TypeLib"), typeLibrary)
             << text(classKey + QLatin1String("\\Version"), version)
             << text(interfaceKey, info(*meta, "Interface"))
             << text(interfaceKey + QLatin1String("\\TypeLib"), typeLibrary)
             << text(interfaceKey + QLatin1String("\\TypeLib"), version, QStringLiteral("Version"));
        // The type information lists each enumeration once, by name and value.
        const QString enumKey = QLatin1String("TypeLib\\") + typeLibrary + QLatin1Char('\\') +
                                version + QLatin1String("\\Enumerations\\");
        for (int e = meta->enumeratorOffset(); e < meta->enumeratorCount(); ++e) {
            const QMetaEnum enumeration = meta->enumerator(e);
            const QString name = QString::fromLatin1(enumeration.name());
            if (enumerations.contains(name))
                continue;
            enumerations.append(name);
            for (int k = 0; k < enumeration.keyCount(); ++k)
                list << number(enumKey + name, QString::fromLatin1(enumeration.key(k)),
                               enumeration.value(k));
        }
    }
    const QString typeKey = QLatin1String("TypeLib\\") + typeLibrary + QLatin1Char('\\') + version;
    list << text(typeKey, libraryDescription)
         << text(typeKey + QLatin1String("\\0\\") + QLatin1String(PlatformName), libraryPath);
    return list;
}

} // namespace RegistrationLayout
