#include "ovshell/ShellLib.h"

#include "base/TextRules.h"
#include "compat/registry/ClassRegistry.h"
#include "ovshell/ShellRegistration.h"

ShellLib::ShellLib(QObject* parent)
    : QObject(parent)
    , m_shell(std::make_unique<ShellRegistration>())
{}

ShellLib::~ShellLib() = default;

bool ShellLib::ShellRegisterExtension(const QString& lpClassName, const QString& lpExtension)
{
    ShellRegistration::requireArguments(!lpExtension.isEmpty() && !lpClassName.isEmpty());
    const QString key = ShellRegistration::extensionKey(lpExtension);
    const QString previousClass = m_shell->desktop().classOfExtension(key);
    const bool failed = !SetClassesDefaultString(key, lpClassName);
    m_shell->updateDesktop(lpClassName, previousClass);
    return failed;
}

bool ShellLib::ShellRegisterFileType(const QString& lpClassName, const QString& lpDescription)
{
    ShellRegistration::requireArguments(!lpClassName.isEmpty() && !lpDescription.isEmpty());
    const bool failed = !SetClassesDefaultString(lpClassName, lpDescription);
    m_shell->updateDesktop(lpClassName);
    return failed;
}

bool ShellLib::ShellSetDefaultIcon(const QString& lpClassName, const QString& inIconNum)
{
    m_shell->requireApplication();
    const QString value = m_shell->executablePath() + ShellRegistration::iconIndexSuffix(inIconNum);
    const bool failed =
        !SetClassesDefaultString(lpClassName + QLatin1String("\\DefaultIcon"), value);
    m_shell->updateDesktop(lpClassName);
    return failed;
}

bool ShellLib::ShellSetQuickView(const QString& lpClassName)
{
    ShellRegistration::requireArguments(!lpClassName.isEmpty());
    return !SetClassesDefaultString(lpClassName + QLatin1String("\\QuickView"),
                                    QStringLiteral("*"));
}

bool ShellLib::ShellAddContextMenu(const QString& lpClassName, const QString& lpCommand,
                                   const QString& lpArguments, qint16 blUseFile)
{
    m_shell->requireApplication();
    ShellRegistration::requireArguments(
        !(lpClassName.isEmpty() && lpCommand.isEmpty() && lpArguments.isEmpty()));
    const QString line =
        TextRules::trimSpaces(m_shell->commandLine(lpArguments, blUseFile)).toString();
    const QString command =
        ShellRegistration::verbKey(lpClassName, lpCommand) + QLatin1String("\\command");
    const bool failed = !SetClassesDefaultString(command, line);
    m_shell->updateDesktop(lpClassName);
    return failed;
}

QString ShellLib::ApplicationName() const
{
    return m_shell->applicationName;
}

void ShellLib::setApplicationName(const QString& value)
{
    m_shell->applicationName = value;
}

QString ShellLib::ApplicationPath() const
{
    return m_shell->applicationPath;
}

void ShellLib::setApplicationPath(const QString& value)
{
    m_shell->applicationPath = value;
}

void ShellLib::setIconData(int iconIndex, const QByteArray& svgData)
{
    m_shell->desktop().setIcon(iconIndex, svgData);
}

void ShellLib::registerDesktopEntry(const QString& desktopId, const QString& name,
                                    const QStringList& classNames)
{
    m_shell->registerDesktopEntry(desktopId, name, classNames);
}

bool ShellLib::SetClassesDefaultString(const QString& lpKeyPath, const QString& lpText)
{
    if (lpText.isEmpty())
        return false;
    return m_shell->registry().setDefaultString(lpKeyPath, lpText) ==
           ClassRegistry::Status::Success;
}
