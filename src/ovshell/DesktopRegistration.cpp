#include "ovshell/DesktopRegistration.h"

#include "compat/registry/ClassRegistry.h"
#include "ovshell/DesktopEntry.h"
#include "ovshell/KeptFile.h"
#include "ovshell/MimePackage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

#include <sys/stat.h>

namespace {

// Longer registry values are no description or command line anyone wrote.
constexpr qsizetype ValueLimit = 64 * 1024;
constexpr int ToolTimeoutMs = 30000;

const QString ContextMenuPrefix = QStringLiteral("example.orvak.OVShell.");
// The index update-desktop-database writes, through which GIO finds the
// programs of a type.
const QString MimeInfoCache = QStringLiteral("/mimeinfo.cache");

QString comparable(const QString& folder)
{
    const QFileInfo info(folder);
    return info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
}

QString userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

// The data folders of XDG_DATA_DIRS; the user's own folder is left out even
// when XDG_DATA_DIRS names it too.
QStringList systemFolders()
{
    const QString user = comparable(userFolder());
    QStringList folders;
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        if (comparable(folder) != user)
            folders << folder;
    }
    return folders;
}

// Writes the content, or removes the library's copy where the system
// provides the same; answers the outcome.
KeptFile::Outcome keepUnlessProvided(const QString& path, const QByteArray& content, bool provided)
{
    return provided ? KeptFile::discard(path) : KeptFile::keep(path, content);
}

void runTool(const QString& tool, const QString& folder)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, {folder});
    if (!process.waitForFinished(ToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
}

// An own file left as it was whose index (a database the tool builds from
// the folder) is missing or older: it was written while the tool was missing
// or failed, so the tool is run again.
bool lags(KeptFile::Outcome outcome, const QString& keptPath, const QString& indexPath)
{
    if (outcome != KeptFile::Outcome::Unchanged || !QFileInfo::exists(keptPath))
        return false;
    const QFileInfo index(indexPath);
    return !index.exists() || index.lastModified() < QFileInfo(keptPath).lastModified();
}

// The size folders of a data folder's hicolor theme ("48x48", "scalable"...);
// none when it has no theme.
QStringList themeSizes(const QString& folder)
{
    return QDir(folder + QLatin1String("/icons/hicolor"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// The picture with the library's marker after its XML declaration.
QByteArray markedSvg(const QByteArray& svg)
{
    QByteArray comment = QByteArrayLiteral("<!-- ") + KeptFile::Marker +
                         QByteArrayLiteral(": installed by the Orvak Shell Library for a "
                                           "program's file-type registrations -->\n");
    qsizetype at = svg.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (svg.mid(at).startsWith("<?xml")) {
        const qsizetype end = svg.indexOf("?>", at);
        if (end >= 0) {
            at = end + 2;
            comment.prepend('\n');
        }
    }
    return svg.left(at) + comment + svg.mid(at);
}

// A menu text as a name: "&Ouvrir" gives "Ouvrir", "&&" one "&".
QString withoutAccelerators(const QString& text)
{
    QString name;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&'))
                name += text.at(++i);
            continue;
        }
        name += text.at(i);
    }
    return name.trimmed();
}

// A name part of a desktop-file id: lower-case letters, digits and "-" as
// they are, every other byte as "_" and two hexadecimal digits, so that two
// names never give one id.
QString idPart(const QString& name)
{
    QString part;
    for (const char byte : name.toLower().toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')
            part += QLatin1Char(char(c));
        else
            part += QLatin1Char('_') + QString::number(c, 16).rightJustified(2, QLatin1Char('0'));
    }
    return part;
}

} // namespace

DesktopRegistration::DesktopRegistration(ClassRegistry& registry)
    : m_registry(registry)
{}

void DesktopRegistration::setIcon(int iconIndex, const QByteArray& svg)
{
    ++m_iconChanges;
    if (svg.isEmpty())
        m_icons.remove(iconIndex);
    else
        m_icons.insert(iconIndex, svg);
}

QString DesktopRegistration::contextMenuId(const QString& className, const QString& verb)
{
    return ContextMenuPrefix + idPart(className) + QLatin1Char('.') + idPart(verb);
}

QString DesktopRegistration::defaultValue(const QString& path)
{
    QString text;
    m_registry.queryDefaultValue(path, ValueLimit, &text);
    return text;
}

QString DesktopRegistration::classOfExtension(const QString& extensionKey)
{
    return defaultValue(extensionKey);
}

void DesktopRegistration::beginSequence()
{
    m_sequence = std::make_unique<Sequence>();
}

void DesktopRegistration::endSequence()
{
    m_sequence.reset();
}

QStringList DesktopRegistration::folders()
{
    if (!m_sequence)
        return systemFolders();
    if (!m_sequence->foldersRead) {
        m_sequence->folders = systemFolders();
        m_sequence->foldersRead = true;
    }
    return m_sequence->folders;
}

template <typename Test> bool DesktopRegistration::anySystemFolder(Test test)
{
    const QStringList all = folders();
    return std::any_of(all.cbegin(), all.cend(), test);
}

bool DesktopRegistration::systemHasIcon(const QString& folder, const QString& context,
                                        const QString& name)
{
    const QString theme = folder + QLatin1String("/icons/hicolor/");
    if (QFileInfo::exists(theme + QLatin1String("scalable/") + context + QLatin1Char('/') + name +
                          QLatin1String(".svg")))
        return true;
    QStringList sizes;
    if (!m_sequence) {
        sizes = themeSizes(folder);
    } else {
        const auto kept = m_sequence->themeSizes.constFind(folder);
        sizes = kept != m_sequence->themeSizes.cend()
                    ? *kept
                    : *m_sequence->themeSizes.insert(folder, themeSizes(folder));
    }
    return std::any_of(sizes.cbegin(), sizes.cend(), [&](const QString& size) {
        return QFileInfo::exists(theme + size + QLatin1Char('/') + context + QLatin1Char('/') +
                                 name + QLatin1String(".png"));
    });
}

bool DesktopRegistration::extensions(QList<Extension>* found)
{
    if (m_sequence && m_sequence->extensionsRead) {
        *found = m_sequence->extensions;
        return true;
    }
    QStringList keys;
    // A store that cannot be read says nothing about what is registered.
    if (m_registry.subkeys(QString(), &keys) == ClassRegistry::Status::Failed)
        return false;
    found->clear();
    for (const QString& key : std::as_const(keys)) {
        if (key.startsWith(QLatin1Char('.')))
            found->append({key, defaultValue(key).toCaseFolded()});
    }
    if (m_sequence) {
        m_sequence->extensions = *found;
        m_sequence->extensionsRead = true;
    }
    return true;
}

bool DesktopRegistration::globsOf(const QString& className, QStringList* globs)
{
    QList<Extension> all;
    if (!extensions(&all))
        return false;
    const QString folded = className.toCaseFolded();
    for (const Extension& extension : std::as_const(all)) {
        if (extension.foldedClass != folded)
            continue;
        const QString glob = MimePackage::globForExtension(extension.key);
        if (!glob.isEmpty() && !globs->contains(glob, Qt::CaseInsensitive))
            *globs << glob;
    }
    return true;
}

bool DesktopRegistration::keepIcon(const QString& context, const QString& name,
                                   const QByteArray& svg)
{
    const QString path = userFolder() + QLatin1String("/icons/hicolor/scalable/") + context +
                         QLatin1Char('/') + name + QLatin1String(".svg");
    const bool provided = anySystemFolder(
        [&](const QString& folder) { return systemHasIcon(folder, context, name); });
    return KeptFile::changed(keepUnlessProvided(path, markedSvg(svg), provided));
}

DesktopRegistration::Basis DesktopRegistration::basis(const QString& executable) const
{
    Basis basis;
    basis.writes = m_registry.writes();
    struct stat file = {};
    if (::stat(QFile::encodeName(m_registry.location()).constData(), &file) == 0)
        basis.storeFile = QByteArray::number(quint64(file.st_ino)) + ' ' +
                          QByteArray::number(qint64(file.st_size)) + ' ' +
                          QByteArray::number(qint64(file.st_mtim.tv_sec)) + '.' +
                          QByteArray::number(qint64(file.st_mtim.tv_nsec));
    basis.executable = executable;
    basis.userFolder = userFolder();
    basis.iconChanges = m_iconChanges;
    return basis;
}

void DesktopRegistration::updateClass(const QString& className, const QString& executable)
{
    const Basis made = basis(executable);
    const QString key = className.toCaseFolded();
    if (const auto before = m_updated.constFind(key); before != m_updated.cend() && *before == made)
        return;
    const QString& user = made.userFolder;
    MimePackage package;
    package.type = MimePackage::typeForClass(className);
    if (user.isEmpty() || package.type.isEmpty() || !globsOf(className, &package.globs))
        return;
    package.comment = defaultValue(className);
    updatePackage(user, package);
    // Without an extension the class defines no type for an icon or entry.
    if (!package.globs.isEmpty()) {
        updateTypeIcon(className, package.type, executable);
        updateContextMenus(user, className, package.type, executable);
    }
    m_updated.insert(key, made);
}

void DesktopRegistration::updatePackage(const QString& user, const MimePackage& package)
{
    const QString path = user + QLatin1String("/mime/packages/") + package.fileName();
    KeptFile::Outcome outcome;
    if (package.globs.isEmpty()) {
        outcome = KeptFile::discard(path);
    } else {
        const bool provided =
            anySystemFolder([&](const QString& folder) { return package.isDefinedIn(folder); });
        outcome = keepUnlessProvided(path, package.content(), provided);
    }
    const QString mime = user + QLatin1String("/mime");
    if (KeptFile::changed(outcome) ||
        lags(outcome, path, mime + QLatin1Char('/') + package.type + QLatin1String(".xml")))
        runTool(QStringLiteral("update-mime-database"), mime);
}

void DesktopRegistration::updateTypeIcon(const QString& className, const QString& type,
                                         const QString& executable)
{
    // Only a picture of this program file that the program handed over.
    const QString icon = defaultValue(className + QLatin1String("\\DefaultIcon"));
    const qsizetype comma = icon.lastIndexOf(QLatin1Char(','));
    bool isNumber = false;
    const int index = icon.mid(comma + 1).toInt(&isNumber);
    if (comma >= 0 && isNumber && icon.left(comma) == executable && m_icons.contains(index))
        keepIcon(QStringLiteral("mimetypes"), MimePackage::iconName(type), m_icons.value(index));
}

void DesktopRegistration::updateContextMenus(const QString& user, const QString& className,
                                             const QString& type, const QString& executable)
{
    QStringList verbs;
    const QString shell = className + QLatin1String("\\Shell");
    m_registry.subkeys(shell, &verbs);
    const QString applications = user + QLatin1String("/applications");
    bool refresh = false;
    for (const QString& verb : std::as_const(verbs)) {
        const QString verbKey = shell + QLatin1Char('\\') + verb;
        DesktopEntry entry = DesktopEntry::fromCommandLine(
            defaultValue(verbKey + QLatin1String("\\command")), executable);
        if (entry.program.isEmpty())
            continue;
        entry.name = withoutAccelerators(defaultValue(verbKey));
        if (entry.name.isEmpty())
            entry.name = verb;
        entry.mimeTypes = QStringList{type};
        entry.noDisplay = true;
        const QString id = contextMenuId(className, verb);
        const bool provided =
            anySystemFolder([&](const QString& folder) { return entry.isProvidedIn(folder, id); });
        const QString path = applications + QLatin1Char('/') + id + QLatin1String(".desktop");
        const KeptFile::Outcome kept = keepUnlessProvided(path, entry.content(), provided);
        refresh =
            refresh || KeptFile::changed(kept) || lags(kept, path, applications + MimeInfoCache);
    }
    if (refresh)
        runTool(QStringLiteral("update-desktop-database"), applications);
}

void DesktopRegistration::updateProgramEntry(const QString& id, const QString& name,
                                             const QStringList& classNames,
                                             const QString& executable)
{
    const QString user = userFolder();
    if (user.isEmpty() || !DesktopEntry::isValidId(id))
        return;
    DesktopEntry entry;
    entry.name = name.trimmed().isEmpty() ? QFileInfo(executable).fileName() : name;
    entry.program = executable;
    entry.arguments = QStringList{QStringLiteral("%F")};
    for (const QString& className : classNames) {
        const QString type = MimePackage::typeForClass(className);
        QStringList globs;
        if (!type.isEmpty() && globsOf(className, &globs) && !globs.isEmpty() &&
            !entry.mimeTypes.contains(type))
            entry.mimeTypes << type;
    }
    if (entry.mimeTypes.isEmpty())
        return;
    const QString apps = QStringLiteral("apps");
    if (m_icons.contains(0)) {
        keepIcon(apps, id, m_icons.value(0));
        entry.icon = id;
    } else if (anySystemFolder(
                   [&](const QString& folder) { return systemHasIcon(folder, apps, id); })) {
        entry.icon = id;
    }
    const bool provided =
        anySystemFolder([&](const QString& folder) { return entry.isProvidedIn(folder, id); });
    const QString applications = user + QLatin1String("/applications");
    const QString path = applications + QLatin1Char('/') + id + QLatin1String(".desktop");
    const KeptFile::Outcome kept = keepUnlessProvided(path, entry.content(), provided);
    if (KeptFile::changed(kept) || lags(kept, path, applications + MimeInfoCache))
        runTool(QStringLiteral("update-desktop-database"), applications);
}
