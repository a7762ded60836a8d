#include "compat/registry/ComponentServer.h"

#include "compat/Automation.h"
#include "compat/registry/ClassRegistry.h"
#include "compat/registry/RegistrationLayout.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaProperty>
#include <QObject>

#include <dlfcn.h>

namespace {

QString decoded(const char* path)
{
    return path ? QFile::decodeName(path) : QString();
}

// The library file that holds `address`, as the loader names it.
QString fileHolding(const void* address)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname)
        return {};
    return QFile::decodeName(info.dli_fname);
}

bool sameFile(const void* a, const void* b)
{
    Dl_info infoA{};
    Dl_info infoB{};
    return dladdr(a, &infoA) && dladdr(b, &infoB) && infoA.dli_fbase == infoB.dli_fbase;
}

} // namespace

class ComponentServer::Factory final : public ClassFactory
{
public:
    Factory(const QMetaObject* meta, std::atomic<int>* live)
        : m_meta(meta)
        , m_live(live)
    {}
    const QMetaObject& metaObject() const override { return *m_meta; }
    QObject* createInstance() const override
    {
        QObject* object = m_meta->newInstance();
        if (!object)
            return nullptr;
        m_live->fetch_add(1);
        std::atomic<int>* live = m_live;
        QObject::connect(object, &QObject::destroyed, [live] { live->fetch_sub(1); });
        return object;
    }

private:
    const QMetaObject* m_meta;
    std::atomic<int>* m_live;
};

ComponentServer::ComponentServer(const char* libraryDescription,
                                 std::initializer_list<const QMetaObject*> classes)
    : m_description(QString::fromUtf8(libraryDescription))
    , m_classes(classes)
{
    for (const QMetaObject* meta : classes)
        m_factories.push_back(std::make_unique<Factory>(meta, &m_liveObjects));
}

ComponentServer::~ComponentServer()
{
    // Types whose description lives in this library: the classes, their
    // enumerations and what their members take and answer.
    for (const QMetaObject* meta : std::as_const(m_classes)) {
        QList<QMetaType> types{meta->metaType()};
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
            types.append(meta->property(i).metaType());
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            types.append(method.returnMetaType());
            for (int p = 0; p < method.parameterCount(); ++p)
                types.append(method.parameterMetaType(p));
        }
        for (QMetaType type : std::as_const(types)) {
            const auto* description = type.iface();
            if (description && description->typeId.loadRelaxed() >= QMetaType::User &&
                sameFile(description, this))
                QMetaType::unregisterMetaType(type);
        }
    }
}

QString ComponentServer::libraryPath() const
{
    const QString file = fileHolding(this);
    return file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
}

int ComponentServer::registerServer(const char* store, const char* path) const
{
    const QString library = path ? QFileInfo(decoded(path)).absoluteFilePath() : libraryPath();
    if (library.isEmpty())
        return int(ClassRegistry::Status::Failed);
    ClassRegistry registry(store ? decoded(store) : ClassRegistry::defaultLocation());
    return int(registry.setValues(RegistrationLayout::entries(m_description, m_classes, library)));
}

int ComponentServer::unregisterServer(const char* store) const
{
    ClassRegistry registry(store ? decoded(store) : ClassRegistry::defaultLocation());
    QList<ClassRegistry::Entry> entries =
        RegistrationLayout::entries(m_description, m_classes, QString());
    // A registered name that now names another class belongs to that class.
    for (const QMetaObject* meta : std::as_const(m_classes)) {
        const QString progId = Automation::progId(*meta);
        QString registered;
        const auto status =
            registry.queryDefaultValue(RegistrationLayout::classIdKey(progId), 1024, &registered);
        if (status == ClassRegistry::Status::Success &&
            registered.compare(RegistrationLayout::classId(*meta), Qt::CaseInsensitive) != 0)
            entries.removeIf([&](const ClassRegistry::Entry& entry) {
                return entry.key.compare(progId, Qt::CaseInsensitive) == 0 ||
                       entry.key.compare(RegistrationLayout::classIdKey(progId),
                                         Qt::CaseInsensitive) == 0;
            });
    }
    return int(registry.removeValues(entries));
}

const ClassFactory* ComponentServer::classFactory(const char* classId) const
{
    if (!classId)
        return nullptr;
    const QString wanted = QString::fromLatin1(classId);
    for (const auto& factory : m_factories) {
        if (RegistrationLayout::classId(factory->metaObject())
                .compare(wanted, Qt::CaseInsensitive) == 0)
            return factory.get();
    }
    return nullptr;
}

bool ComponentServer::canUnload() const
{
    return m_liveObjects.load() == 0;
}
