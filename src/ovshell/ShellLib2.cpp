#include "ovshell/ShellLib2.h"

#include "compat/registry/ClassRegistry.h"
#include "ovshell/ShellRegistration.h"

#include <QtEndian>

namespace {

// The bytes of a string (1) or 32-bit (4) value; false for anything else.
bool valueData(quint32 type, const QVariant& value, QByteArray* data)
{
    switch (type) {
    case ClassRegistry::String:
        *data = value.toString().toUtf8();
        data->append('\0');
        return true;
    case ClassRegistry::Dword: {
        bool ok = false;
        const qint32 number = value.toInt(&ok);
        if (!ok)
            return false;
        data->resize(sizeof(number));
        qToLittleEndian(number, data->data());
        return true;
    }
    default: // no other type is written
        return false;
    }
}

} // namespace

ShellLib2::ShellLib2(QObject* parent)
    : QObject(parent)
    , m_shell(std::make_unique<ShellRegistration>())
{}

ShellLib2::~ShellLib2() = default;

void ShellLib2::ShellRegisterExtension(const QString& lpClassName, const QString& lpExtension)
{
    ShellRegistration::requireArguments(!lpExtension.isEmpty() && !lpClassName.isEmpty());
    const QString key = ShellRegistration::extensionKey(lpExtension);
    const QString previousClass = m_shell->desktop().classOfExtension(key);
    CreateClassesKey(key);
    SetClassesKeyValue(key, QString(), lpClassName, ClassRegistry::String);
    m_shell->updateDesktop(lpClassName, previousClass);
}

void ShellLib2::ShellRegisterFileType(const QString& lpClassName, const QString& lpDescription)
{
    ShellRegistration::requireArguments(!lpClassName.isEmpty() && !lpDescription.isEmpty());
    CreateClassesKey(lpClassName);
    SetClassesKeyValue(lpClassName, QString(), lpDescription, ClassRegistry::String);
    m_shell->updateDesktop(lpClassName);
}

void ShellLib2::ShellSetDefaultIcon(const QString& lpClassName, const QString& inIconNum)
{
    m_shell->requireApplication();
    const QString value = m_shell->executablePath() + ShellRegistration::iconIndexSuffix(inIconNum);
    const QString key = lpClassName + QLatin1String("\\DefaultIcon");
    CreateClassesKey(key);
    SetClassesKeyValue(key, QString(), value, ClassRegistry::String);
    m_shell->updateDesktop(lpClassName);
}

void ShellLib2::ShellSetQuickView(const QString& lpClassName)
{
    ShellRegistration::requireArguments(!lpClassName.isEmpty());
    const QString key = lpClassName + QLatin1String("\\QuickView");
    CreateClassesKey(key);
    SetClassesKeyValue(key, QString(), QStringLiteral("*"), ClassRegistry::String);
}

void ShellLib2::ShellAddContextMenu(const QString& lpClassName, const QString& lpCommand,
                                    const QString& lpArguments, const QString& lpDescription,
                                    qint16 blUseFile)
{
    m_shell->requireApplication();
    ShellRegistration::requireArguments(
        !(lpClassName.isEmpty() && lpCommand.isEmpty() && lpArguments.isEmpty()));
    const QString line = m_shell->commandLine(lpArguments, blUseFile);
    const QString verb = ShellRegistration::verbKey(lpClassName, lpCommand);
    // The menu text is written even when it is empty.
    CreateClassesKey(verb);
    SetClassesKeyValue(verb, QString(), lpDescription, ClassRegistry::String);
    const QString command = verb + QLatin1String("\\command");
    CreateClassesKey(command);
    SetClassesKeyValue(command, QString(), line, ClassRegistry::String);
    m_shell->updateDesktop(lpClassName);
}

QString ShellLib2::ApplicationName() const
{
    return m_shell->applicationName;
}

void ShellLib2::setApplicationName(const QString& value)
{
    m_shell->applicationName = value;
}

QString ShellLib2::ApplicationPath() const
{
    return m_shell->applicationPath;
}

void ShellLib2::setApplicationPath(const QString& value)
{
    m_shell->applicationPath = value;
}

void ShellLib2::setIconData(int iconIndex, const QByteArray& svgData)
{
    m_shell->desktop().setIcon(iconIndex, svgData);
}

void ShellLib2::registerDesktopEntry(const QString& desktopId, const QString& name,
                                     const QStringList& classNames)
{
    m_shell->registerDesktopEntry(desktopId, name, classNames);
}

void ShellLib2::beginTransaction()
{
    m_shell->beginTransaction();
}

void ShellLib2::commitTransaction()
{
    m_shell->commitTransaction();
}

void ShellLib2::rollbackTransaction()
{
    m_shell->rollbackTransaction();
}

void ShellLib2::setStoreWait(std::chrono::milliseconds wait)
{
    m_shell->registry().setBusyTimeout(wait);
}

bool ShellLib2::storeWasBusy() const
{
    return m_shell->storeWasBusy();
}

void ShellLib2::CreateClassesKey(const QString& lpKeyPath)
{
    // In a transaction the key comes with the value that follows it.
    if (!m_shell->inTransaction())
        m_shell->registry().createKey(lpKeyPath);
}

void ShellLib2::SetClassesKeyValue(const QString& lpKeyPath, const QString& lpValueName,
                                   const QVariant& value, quint32 type)
{
    if (m_shell->inTransaction()) {
        QByteArray data;
        if (valueData(type, value, &data))
            m_shell->stage(lpKeyPath, {lpValueName, type, data});
        return;
    }
    ClassRegistry& registry = m_shell->registry();
    // A key that cannot be opened leaves the handle 0, and the write fails.
    ClassRegistry::Handle key = 0;
    registry.openKey(lpKeyPath, &key);
    SetOpenKeyValue(key, lpValueName, type, value);
    registry.closeKey(key);
}

int ShellLib2::SetOpenKeyValue(quint64 hKey, const QString& lpValueName, quint32 type,
                               const QVariant& value)
{
    QByteArray data;
    if (!valueData(type, value, &data))
        return int(ClassRegistry::Status::Failed);
    return int(m_shell->registry().setValue(hKey, lpValueName, type, data));
}
