#include "ovshell/ShellRegistration.h"

#include "base/TextRules.h"
#include "compat/AutomationError.h"
#include "ovobj10/OVObject.h"

#include <QScopeGuard>

namespace {

constexpr quint32 MissingNameError = 0x8004041B;
constexpr quint32 MissingPathError = 0x8004041C;
constexpr quint32 ArgumentError = 0x8004041D;

constexpr QChar Blank = u' ';

// One object per thread, shared by every ShellLib2 and ShellLib on it and
// created when it is first needed.
OVObject& sharedObject()
{
    thread_local std::unique_ptr<OVObject> object;
    if (!object)
        object = std::make_unique<OVObject>();
    return *object;
}

} // namespace

// What a transaction holds until its commit.
struct ShellRegistration::Transaction
{
    struct ClassUpdate
    {
        QString className;
        QString executable;
    };
    struct ProgramEntry
    {
        QString desktopId;
        QString name;
        QStringList classNames;
        QString executable;
    };
    QList<ClassRegistry::Entry> entries;
    QList<ClassUpdate> classes; // each class and program file once, in the calls' order
    QList<ProgramEntry> programEntries;

    void noteClass(const QString& className, const QString& executable)
    {
        const QString folded = className.toCaseFolded();
        for (const ClassUpdate& noted : std::as_const(classes)) {
            if (noted.executable == executable && noted.className.toCaseFolded() == folded)
                return;
        }
        classes.append({className, executable});
    }
};

ShellRegistration::ShellRegistration() = default;
ShellRegistration::~ShellRegistration() = default;

void ShellRegistration::requireArguments(bool valid)
{
    if (!valid)
        throw AutomationError(ArgumentError,
                              QStringLiteral("Un ou plusieurs arguments sont incorrect !!!"));
}

void ShellRegistration::requireApplication() const
{
    if (applicationName.isEmpty())
        throw AutomationError(MissingNameError,
                              QStringLiteral("Le nom du fichier est manquant !!!"));
    if (applicationPath.isEmpty())
        throw AutomationError(MissingPathError,
                              QStringLiteral(u"Le chemin d'accès est manquant !!!"));
}

QString ShellRegistration::extensionKey(const QString& lpExtension)
{
    if (lpExtension.startsWith(QLatin1Char('.')))
        return lpExtension;
    return QLatin1Char('.') + lpExtension;
}

QString ShellRegistration::iconIndexSuffix(const QString& inIconNum)
{
    const QString number = TextRules::trimSpaces(inIconNum).toString();
    if (number.isEmpty())
        return QStringLiteral(",0");
    // The comma test looks at the text as passed, before its blanks go.
    if (!inIconNum.startsWith(QLatin1Char(',')))
        return QLatin1Char(',') + number;
    return number;
}

QString ShellRegistration::executablePath() const
{
    OVObject& object = sharedObject();
    QString name = applicationName;
#ifdef Q_OS_WIN
    // Windows executables end in ".exe", compared with its case.
    if (object.GetFileExtension(name) != QLatin1String(".exe"))
        name += QLatin1String(".exe");
#endif
    return object.AddSlashToPath(applicationPath) + name;
}

QString ShellRegistration::commandLine(const QString& lpArguments, qint16 blUseFile) const
{
    OVObject& object = sharedObject();
    const QString filePlaceholder = object.AddQuote(QStringLiteral("%1"));
    QString executable = executablePath();
    if (executable.contains(Blank))
        executable = object.AddQuote(executable);

    // Only the automation Boolean true (-1) asks for the file, not 1.
    QString line = blUseFile == -1 ? executable + Blank + filePlaceholder : executable;
    if (!TextRules::trimSpaces(lpArguments).isEmpty())
        line += Blank + lpArguments;
    return line;
}

QString ShellRegistration::verbKey(const QString& lpClassName, const QString& lpCommand)
{
    return lpClassName + QLatin1String("\\Shell\\") + TextRules::trimSpaces(lpCommand).toString();
}

ClassRegistry& ShellRegistration::registry()
{
    if (!m_registry)
        m_registry = std::make_unique<ClassRegistry>();
    return *m_registry;
}

DesktopRegistration& ShellRegistration::desktop()
{
    if (!m_desktop)
        m_desktop = std::make_unique<DesktopRegistration>(registry());
    return *m_desktop;
}

void ShellRegistration::updateDesktop(const QString& lpClassName)
{
    if (m_transaction)
        m_transaction->noteClass(lpClassName, executablePath());
    else
        desktop().updateClass(lpClassName, executablePath());
}

void ShellRegistration::updateDesktop(const QString& lpClassName, const QString& previousClass)
{
    updateDesktop(lpClassName);
    if (previousClass.toCaseFolded() != lpClassName.toCaseFolded())
        updateDesktop(previousClass);
}

void ShellRegistration::registerDesktopEntry(const QString& desktopId, const QString& name,
                                             const QStringList& classNames)
{
    requireApplication();
    if (m_transaction)
        m_transaction->programEntries.append({desktopId, name, classNames, executablePath()});
    else
        desktop().updateProgramEntry(desktopId, name, classNames, executablePath());
}

void ShellRegistration::beginTransaction()
{
    if (!m_transaction) // within one, the sequence goes on
        m_transaction = std::make_unique<Transaction>();
}

void ShellRegistration::rollbackTransaction()
{
    m_transaction.reset();
}

void ShellRegistration::stage(const QString& keyPath, const ClassRegistry::Value& value)
{
    m_transaction->entries.append({keyPath, value});
}

void ShellRegistration::commitTransaction()
{
    if (!m_transaction)
        return;
    const std::unique_ptr<Transaction> staged = std::move(m_transaction);
    ClassRegistry& store = registry();
    // A key the store cannot hold is refused on its own, as the call alone
    // would have been; the others are written together.
    QList<ClassRegistry::Entry> entries;
    for (const ClassRegistry::Entry& entry : std::as_const(staged->entries)) {
        if (store.checkKeyPath(entry.key) == ClassRegistry::Status::Success)
            entries.append(entry);
    }
    const quint64 busyBefore = store.busyFailures();
    if (!entries.isEmpty())
        store.setValues(entries);
    // Read back from a store held by another process, the desktop's files
    // would lose what the store could not say: they wait for the next commit.
    m_storeBusy = store.busyFailures() != busyBefore;
    if (m_storeBusy)
        return;
    // The desktop's files are read back from the store, whatever it holds now.
    DesktopRegistration& files = desktop();
    files.beginSequence();
    const auto endSequence = qScopeGuard([&files] { files.endSequence(); });
    for (const Transaction::ClassUpdate& update : std::as_const(staged->classes))
        files.updateClass(update.className, update.executable);
    for (const Transaction::ProgramEntry& entry : std::as_const(staged->programEntries))
        files.updateProgramEntry(entry.desktopId, entry.name, entry.classNames, entry.executable);
}
