#include "LauncherCatalogue.h"

#include "OVAcronym.h"
#include "OVSmiley.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>

namespace {

constexpr int SettleMs = 150;

// Collects what a control reports, in order.
template <typename Control, typename Event>
QList<std::pair<QString, QString>> collect(Control& control, Event event,
                                           const std::function<void(Control&)>& load)
{
    QList<std::pair<QString, QString>> rows;
    const QMetaObject::Connection connection = QObject::connect(
        &control, event, [&rows](const QString& text, const QString& description, qint16) {
            rows.append({text, description});
        });
    load(control);
    QObject::disconnect(connection);
    return rows;
}

// The built-in entries of one list, described in French and in English.
template <typename Control, typename Event>
void appendTable(QList<LauncherEntry>& entries, LauncherEntry::List list, Event event)
{
    Control control;
    const auto table = [](Control& c) { c.LoadTable(); };
    control.setLanguage(1);
    const auto french = collect<Control>(control, event, table);
    control.setLanguage(2);
    const auto english = collect<Control>(control, event, table);
    for (qsizetype i = 0; i < english.size(); ++i) {
        LauncherEntry entry;
        entry.text = english[i].first;
        entry.englishDescription = english[i].second;
        entry.frenchDescription = i < french.size() ? french[i].second : english[i].second;
        entry.list = list;
        entries.append(entry);
    }
}

template <typename Control, typename Event>
void appendFile(QList<LauncherEntry>& entries, LauncherEntry::List list, Event event,
                const QString& path)
{
    Control control;
    const auto file = [&path](Control& c) { c.LoadFile(path); };
    for (const auto& [text, description] : collect<Control>(control, event, file)) {
        LauncherEntry entry;
        entry.text = text;
        entry.frenchDescription = description;
        entry.englishDescription = description;
        entry.list = list;
        entry.userEntry = true;
        entries.append(entry);
    }
}

} // namespace

LauncherCatalogue::LauncherCatalogue(const QString& listFolder, QObject* parent)
    : QObject(parent)
    , m_listFolder(listFolder)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        loadUserEntries();
        follow();
        Q_EMIT changed();
    });
}

LauncherCatalogue::~LauncherCatalogue() = default;

void LauncherCatalogue::load()
{
    loadBuiltIn();
    loadUserEntries();
    follow();
}

void LauncherCatalogue::loadBuiltIn()
{
    m_builtIn.clear();
    appendTable<OVSmiley>(m_builtIn, LauncherEntry::List::Smileys, &OVSmiley::NextSmiley);
    appendTable<OVAcronym>(m_builtIn, LauncherEntry::List::Acronyms, &OVAcronym::NextAcronym);
}

void LauncherCatalogue::loadUserEntries()
{
    QList<LauncherEntry> all = m_builtIn;
    const QDir folder(m_listFolder);
    appendFile<OVSmiley>(all, LauncherEntry::List::Smileys, &OVSmiley::NextSmiley,
                         folder.filePath(QLatin1String(SmileyFileName)));
    appendFile<OVAcronym>(all, LauncherEntry::List::Acronyms, &OVAcronym::NextAcronym,
                          folder.filePath(QLatin1String(AcronymFileName)));

    m_entries.clear();
    m_entries.reserve(all.size());
    m_byId.clear();
    QSet<QString> taken[2];
    for (LauncherEntry& entry : all) {
        QSet<QString>& texts = taken[entry.list == LauncherEntry::List::Smileys ? 0 : 1];
        const QString key = entry.text.toCaseFolded();
        if (entry.text.isEmpty() || texts.contains(key))
            continue;
        texts.insert(key);
        m_byId.insert(entry.id(), m_entries.size());
        m_entries.append(std::move(entry));
    }
}

void LauncherCatalogue::follow()
{
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, &m_settle,
                qOverload<>(&QTimer::start));
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle,
                qOverload<>(&QTimer::start));
    }
    // A file replaced by a rename is a new file: its old watch is gone.
    const QStringList watched = m_watcher->files();
    const QDir folder(m_listFolder);
    for (const char* name : {SmileyFileName, AcronymFileName}) {
        const QString path = folder.filePath(QLatin1String(name));
        if (!watched.contains(path) && QFileInfo::exists(path))
            m_watcher->addPath(path);
    }
    if (!m_followsFolder && QFileInfo(m_listFolder).isDir())
        m_followsFolder = m_watcher->addPath(m_listFolder);
}

void LauncherCatalogue::catchUp()
{
    if (m_followsFolder || !QFileInfo(m_listFolder).isDir())
        return;
    loadUserEntries();
    follow();
    Q_EMIT changed();
}

const LauncherEntry* LauncherCatalogue::find(const QString& id) const
{
    const auto at = m_byId.constFind(id);
    return at == m_byId.cend() ? nullptr : &m_entries[*at];
}
