#include "service/LauncherCatalogue.h"

#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "catalogue/UserListReader.h"
#include "search/KeywordStore.h"
#include "search/MemoryAdvice.h"

#include "base/ZunoVersion.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <thread>

namespace {

constexpr int SettleMs = 150;
// Where nothing is followed: how often a request looks at the files.
constexpr qint64 CheckMs = 1000;
// A file changed less than this before it was read may change again with the
// same time (the file system's time resolution): such a read is not stored.
constexpr qint64 SettledMs = 2000;

// The entries a control reports, in order, as entries of list.
template <typename Control, typename Event>
QList<BilingualEntry> collect(Control& control, Event event, BilingualEntry::List list,
                              bool userEntries, const std::function<void(Control&)>& load)
{
    QList<BilingualEntry> entries;
    const QMetaObject::Connection connection = QObject::connect(
        &control, event,
        [&entries, list, userEntries](const QString& text, const QString& description, qint16) {
            entries.append({text, description, description, list, userEntries, {}});
        });
    load(control);
    QObject::disconnect(connection);
    return entries;
}

// The built-in entries of one list, described in French and in English,
// with their shipped keywords.
template <typename Control, typename Event>
QList<BilingualEntry> readTable(BilingualEntry::List list, Event event)
{
    Control control;
    const auto table = [](Control& c) { c.LoadTable(); };
    control.setLanguage(1);
    QList<BilingualEntry> entries = collect<Control>(control, event, list, false, table);
    control.setLanguage(2);
    const QList<BilingualEntry> english = collect<Control>(control, event, list, false, table);
    for (qsizetype i = 0; i < entries.size() && i < english.size(); ++i)
        entries[i].englishDescription = english[i].englishDescription;
    const QHash<QString, QStringList> keywords = Control::tableKeywords();
    for (BilingualEntry& entry : entries)
        entry.keywords = keywords.value(entry.text);
    return entries;
}

} // namespace

LauncherCatalogue::LauncherCatalogue(const QString& listFolder, const QString& cachePath,
                                     QObject* parent)
    : QObject(parent)
    , m_listFolder(listFolder)
    , m_cachePath(cachePath)
{
    // The lists are read on a thread of their own while the service reads
    // the favourites, the uses and (in load()) the keywords: nothing here
    // is touched from elsewhere until load().
    m_listReading = std::thread([this] {
        loadBuiltIn();
        loadUserEntries();
    });
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &LauncherCatalogue::reread);
}

LauncherCatalogue::~LauncherCatalogue()
{
    if (m_listReading.joinable())
        m_listReading.join();
    waitForKeeping();
}

void LauncherCatalogue::load()
{
    // The user's keywords, on this thread after the favourites and the uses
    // while the lists are read: read at once with those, on a thread of
    // their own, they only waited for each other's heap. The lists' thread
    // sees none until it has ended.
    KeywordStore* const keywords = m_keywords
                                       ? nullptr
                                       : new KeywordStore(KeywordStore::pathIn(m_listFolder),
                                                          KeywordStore::Access::ReadOnly, this);
    if (m_listReading.joinable()) {
        m_listReading.join();
    } else {
        loadBuiltIn();
        loadUserEntries();
    }
    if (keywords)
        m_keywords = keywords;
    applyKeywords();
    follow();
    // A writer that waits on the stored copy's lease waits a bounded time
    // (the system's lease break time, 45 s by default), then cuts it all the
    // same: the copy is made the service's own soon after any start, whatever
    // it is asked first, not only after its first answer.
    if (m_cache)
        QTimer::singleShot(OwnStoredCopyAfterMs, this, [this] { ownStoredCopy(); });
}

void LauncherCatalogue::loadBuiltIn()
{
    m_builtIn[0] = readTable<OVSmiley>(BilingualEntry::List::Smileys, &OVSmiley::NextSmiley);
    m_builtIn[1] = readTable<OVAcronym>(BilingualEntry::List::Acronyms, &OVAcronym::NextAcronym);
}

bool LauncherCatalogue::ListRows::add(const BilingualEntry& entry)
{
    if (entry.text.isEmpty() || !loaded.take(entry.text))
        return false;
    // The same text twice, with spaces around it, is one id.
    if (DuplicateRule::isSpaced(entry.text)) {
        const qsizetype known = spaced.size();
        spaced.insert(entry.text);
        if (spaced.size() == known)
            return false;
    }
    entries.append(entry);
    return true;
}

void LauncherCatalogue::readFile(ListRows& rows, BilingualEntry::List list, const QString& path)
{
    // Straight into the rows, through the controls' own reader but not
    // their events, which cost a start with long lists more than the rule:
    // a long file is not held twice.
    BilingualEntry entry{{}, {}, {}, list, true, {}};
    UserListReader::readFile(path,
                             [&rows, &entry](const QString& text, const QString& description) {
                                 entry.text = text;
                                 entry.frenchDescription = entry.englishDescription = description;
                                 rows.add(entry);
                                 return true;
                             });
}

QString LauncherCatalogue::listPath(int list) const
{
    return QDir(m_listFolder).filePath(QLatin1String(list == 0 ? SmileyFileName : AcronymFileName));
}

qsizetype LauncherCatalogue::roomFor(int list, int lineBytes) const
{
    const QString path = listPath(list);
    return m_builtIn[list].size() +
           qsizetype(std::min<qint64>(QFileInfo(path).size() / lineBytes, 2'000'000));
}

LauncherCatalogue::ListRows LauncherCatalogue::readList(int list, qsizetype room) const
{
    const QString path = listPath(list);
    ListRows rows;
    // Room for the file's lines, so that a long list is not moved and
    // rehashed as it grows; the smileys' for the acronyms too, which are
    // appended to them.
    rows.entries.reserve(room);
    // The rule's index doubles its room and writes all of it when made:
    // lines of 32 bytes, as the window's load takes.
    rows.loaded.reserve(roomFor(list, 32));
    for (const BilingualEntry& entry : m_builtIn[list])
        rows.add(entry);
    rows.builtIn = rows.entries.size();
    readFile(rows, list == 0 ? BilingualEntry::List::Smileys : BilingualEntry::List::Acronyms,
             path);
    return rows;
}

void LauncherCatalogue::reread()
{
    loadUserEntries();
    follow();
    Q_EMIT changed();
}

void LauncherCatalogue::loadUserEntries()
{
    m_readStamps = stamps();
    const qint64 readAt = QDateTime::currentMSecsSinceEpoch();
    const CatalogueCache::Stamps files{CatalogueCache::FileStamp::of(listPath(0)),
                                       CatalogueCache::FileStamp::of(listPath(1))};
    m_keyworded.clear();
    // Only a start takes the stored copy: a later read (the folder changed,
    // by a favourite perhaps) reads the files, and holds no second copy.
    const bool start = !m_started;
    m_started = true;
    if (start && loadCached(files)) {
        applyKeywords();
        return;
    }
    m_fileStamps = files;
    m_keepWanted =
        !m_cachePath.isEmpty() &&
        std::all_of(files.cbegin(), files.cend(), [readAt](const auto& file) {
            return !file.exists ||
                   readAt - (file.seconds * 1000 + file.nanoseconds / 1'000'000) >= SettledMs;
        });
    // The two lists are independent: each is read and checked on a core of
    // its own, which halves the wait of a start with long lists.
    const qsizetype acronymRoom = roomFor(1);
    ListRows acronyms;
    std::thread second([this, &acronyms, acronymRoom] { acronyms = readList(1, acronymRoom); });
    ListRows smileys = readList(0, roomFor(0) + acronymRoom);
    second.join();
    m_entries = std::move(smileys.entries);
    m_acronymStart = m_entries.size();
    m_entries.append(std::move(acronyms.entries));
    m_userStart = {smileys.builtIn, m_acronymStart + acronyms.builtIn};
    m_byText = {};
    m_byTextMade = false;
    // The old entries, and their places by text, point into it, and so may
    // strings copied from them that outlive this read: an answer on its way
    // out on the overview's bus thread, a use not written yet. It stays until
    // the service ends: only a start takes a stored copy, so there is one at
    // most. Its texts are made the service's own first, so that nothing is
    // mapped from a file no longer followed.
    if (m_cache) {
        ownStoredCopy();
        waitForKeeping();
        m_retiredCaches.push_back(std::move(m_cache));
    }
    applyKeywords();
}

bool LauncherCatalogue::loadCached(const CatalogueCache::Stamps& files)
{
    if (m_cachePath.isEmpty())
        return false;
    std::shared_ptr<const CatalogueCache> cache =
        CatalogueCache::read(m_cachePath, sourceKey(), files);
    if (!cache)
        return false;
    // Each list's built-in entries by the window's rule, as a read of the
    // files takes them, then its user's entries as they were kept.
    const auto make = [this, &cache](int list, qsizetype room, qsizetype* builtIn) {
        ListRows rows;
        rows.entries.reserve(room);
        MemoryAdvice::willWrite(rows.entries.constData(), room * qsizetype(sizeof(BilingualEntry)));
        for (const BilingualEntry& entry : m_builtIn[list])
            rows.add(entry);
        *builtIn = rows.entries.size();
        for (qsizetype row = 0; row < cache->rows(list); ++row)
            rows.entries.append(cache->entry(list, row));
        return std::move(rows.entries);
    };
    const qsizetype acronymRoom = m_builtIn[1].size() + cache->rows(1);
    QList<BilingualEntry> acronyms;
    qsizetype builtIn[2] = {0, 0};
    std::thread second([&] { acronyms = make(1, acronymRoom, &builtIn[1]); });
    QList<BilingualEntry> smileys =
        make(0, m_builtIn[0].size() + cache->rows(0) + acronymRoom, &builtIn[0]);
    second.join();
    m_entries = std::move(smileys);
    m_acronymStart = m_entries.size();
    m_entries.append(std::move(acronyms));
    m_userStart = {builtIn[0], m_acronymStart + builtIn[1]};
    m_byText = {};
    m_byTextMade = false;
    if (m_cache)
        m_retiredCaches.push_back(std::move(m_cache));
    m_cache = std::move(cache);
    m_fileStamps = files;
    m_keepWanted = false;
    return true;
}

quint64 LauncherCatalogue::sourceKey() const
{
    // The fold follows the Unicode tables of the Qt it runs with.
    QString source =
        QStringLiteral(ZUNO_VERSION_TEXT " " ZUNO_REVISION_TEXT " ") + QLatin1String(qVersion());
    for (int list = 0; list < 2; ++list) {
        source += QChar(0) + listPath(list);
        for (const BilingualEntry& entry : m_builtIn[list])
            source += QChar(0) + entry.text;
    }
    return CatalogueCache::hash(source.constData(), source.size() * qsizetype(sizeof(QChar)));
}

SearchIndex::FoldedAt LauncherCatalogue::foldedAt() const
{
    if (!m_cache)
        return {};
    return [this](qsizetype index, SearchIndex::FoldedRow& folded) {
        const int list = index < m_acronymStart ? 0 : 1;
        const qsizetype row = index - m_userStart[list];
        if (row < 0 || row >= m_cache->rows(list))
            return false;
        folded = m_cache->folded(list, row);
        return true;
    };
}

void LauncherCatalogue::ownStoredCopy()
{
    if (!m_cache || m_storedCopyOwned)
        return;
    waitForKeeping();
    m_storedCopyOwned = true;
    m_keeping = std::thread([cache = m_cache] { cache->ownUnits(); });
}

void LauncherCatalogue::keep()
{
    // The entries from the stored copy point into its mapping: made the
    // service's own memory now that the start has answered.
    if (!m_keepWanted) {
        ownStoredCopy();
        return;
    }
    m_keepWanted = false;
    waitForKeeping();
    // The thread has its own share of the entries, whatever happens here
    // meanwhile: a change here copies them first.
    const std::array<std::pair<qsizetype, qsizetype>, 2> ranges{
        std::pair{m_userStart[0], m_acronymStart}, std::pair{m_userStart[1], m_entries.size()}};
    m_keeping = std::thread([entries = m_entries, ranges, path = m_cachePath, key = sourceKey(),
                             files = m_fileStamps] {
        if (!CatalogueCache::write(path, key, files, entries, ranges))
            qWarning("The search service's entries could not be stored in %s.", qPrintable(path));
    });
}

void LauncherCatalogue::waitForKeeping()
{
    if (m_keeping.joinable())
        m_keeping.join();
}

void LauncherCatalogue::applyKeywords()
{
    for (const auto& [entry, own] : std::as_const(m_keyworded))
        m_entries[entry].keywords.resize(own);
    m_keyworded.clear();
    // Not read yet (the start reads the lists meanwhile).
    if (!m_keywords)
        return;
    // Each list on a core of its own, into entries of this list alone.
    BilingualEntry* const entries = m_entries.data();
    std::array<QList<std::pair<qsizetype, qsizetype>>, 2> keyworded;
    const auto apply = [this, entries, &keyworded](ListKind list) {
        // Most users have none: no entry is looked at.
        if (m_keywords->isEmpty(list))
            return;
        const bool smileys = list == ListKind::Smiley;
        const int l = smileys ? 0 : 1;
        const qsizetype end = smileys ? m_acronymStart : m_entries.size();
        // The rows of the stored copy have their key made already.
        const qsizetype cachedStart = m_cache ? m_userStart[l] : end;
        const qsizetype cachedEnd = m_cache ? std::min(end, cachedStart + m_cache->rows(l)) : end;
        for (qsizetype i = smileys ? 0 : m_acronymStart; i < end; ++i) {
            const QStringList keywords =
                i >= cachedStart && i < cachedEnd
                    ? m_keywords->keywordsOfKey(list, m_cache->folded(l, i - cachedStart).entryKey)
                    : m_keywords->keywords(list, entries[i].text);
            if (keywords.isEmpty())
                continue;
            keyworded[smileys ? 0 : 1].append({i, entries[i].keywords.size()});
            entries[i].keywords += keywords;
        }
    };
    std::thread acronyms(apply, ListKind::Acronym);
    apply(ListKind::Smiley);
    acronyms.join();
    m_keyworded = keyworded[0] + keyworded[1];
}

void LauncherCatalogue::follow()
{
    if (m_checksStamps)
        return;
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, &m_settle,
                qOverload<>(&QTimer::start));
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
                [this](const QString& path) {
                    // The parent's other entries are none of the catalogue's.
                    if (path != m_listFolder && stamps() == m_readStamps)
                        return;
                    m_settle.start();
                });
    }
    // A watch follows what was there when it was added: a file replaced by
    // a rename, or a folder removed (or moved away) and made again, is
    // another one. So every path is watched afresh; the parent sees the
    // folder come and go.
    const QDir folder(m_listFolder);
    QStringList paths{QFileInfo(m_listFolder).absolutePath(), m_listFolder};
    for (const char* name : {SmileyFileName, AcronymFileName})
        paths << folder.filePath(QLatin1String(name));
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    for (const QString& path : std::as_const(paths)) {
        // Nothing to follow the folder's coming by: the requests look too.
        if ((path == paths.first() && !QFileInfo(path).isDir()) ||
            (QFileInfo::exists(path) && !m_watcher->addPath(path))) {
            // The system follows no more files: the requests look instead.
            m_checksStamps = true;
            m_watcher->deleteLater();
            m_watcher = nullptr;
            return;
        }
    }
    // A file written after it was read and before its watch was added again
    // told no watch: the stamps tell.
    if (stamps() != m_readStamps)
        m_settle.start();
}

std::array<LauncherCatalogue::Stamp, 3> LauncherCatalogue::stamps() const
{
    const QDir folder(m_listFolder);
    std::array<Stamp, 3> now;
    int i = 0;
    for (const char* name : {SmileyFileName, AcronymFileName}) {
        const QFileInfo file(folder.filePath(QLatin1String(name)));
        if (file.exists())
            now[i] = {file.size(), file.lastModified().toMSecsSinceEpoch()};
        ++i;
    }
    // A folder made again is another folder, though its files are the same.
    const QFileInfo self(m_listFolder);
    if (self.isDir())
        now[2] = {self.birthTime().toMSecsSinceEpoch(), self.lastModified().toMSecsSinceEpoch()};
    return now;
}

void LauncherCatalogue::catchUp()
{
    if (m_keywords && m_keywords->catchUp()) {
        applyKeywords();
        Q_EMIT changed();
    }
    if (!m_checksStamps || (m_lastCheck.isValid() && m_lastCheck.elapsed() < CheckMs))
        return;
    m_lastCheck.start();
    if (stamps() != m_readStamps)
        reread();
}

const BilingualEntry* LauncherCatalogue::find(const QString& id) const
{
    BilingualEntry::List list;
    QString text;
    if (!BilingualEntry::parseId(id, &list, &text))
        return nullptr;
    const int l = list == BilingualEntry::List::Smileys ? 0 : 1;
    makeIds();
    const auto at = m_byText[l].constFind(text);
    if (at == m_byText[l].cend())
        return nullptr;
    return &m_entries[*at + (l == 0 ? 0 : m_acronymStart)];
}

void LauncherCatalogue::makeIds() const
{
    if (m_byTextMade)
        return;
    m_byTextMade = true;
    for (int l = 0; l < 2; ++l) {
        const qsizetype first = l == 0 ? 0 : m_acronymStart;
        const qsizetype end = l == 0 ? m_acronymStart : m_entries.size();
        m_byText[l].reserve(end - first);
        for (qsizetype i = first; i < end; ++i)
            m_byText[l].insert(m_entries[i].text, i - first);
    }
}
