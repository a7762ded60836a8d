#include "app/flows/EntryUse.h"

#include "search/FavouriteStore.h"
#include "search/KeywordStore.h"
#include "search/UsageStore.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <memory>

EntryUse::EntryUse(const QString& listFolder, QObject* parent)
    : EntryUse(listFolder, UsageStore::defaultPath(), parent)
{}

EntryUse::EntryUse(const QString& listFolder, const QString& usagePath, QObject* parent)
    : QObject(parent)
    , m_favourites(new FavouriteStore(FavouriteStore::pathIn(listFolder), this))
    , m_keywordsPath(KeywordStore::pathIn(listFolder))
    , m_usagePath(usagePath)
{
    connect(m_favourites, &FavouriteStore::changed, this, &EntryUse::changed);
}

EntryUse::~EntryUse()
{
    // What was used since the last timed write is not lost at the close.
    if (m_usage)
        m_usage->flush();
}

UsageStore* EntryUse::usage() const
{
    if (!m_usage) {
        auto* self = const_cast<EntryUse*>(this);
        m_usage = new UsageStore(m_usagePath, self);
        connect(m_usage, &UsageStore::changed, self, &EntryUse::changed);
    }
    return m_usage;
}

KeywordStore* EntryUse::keywordStore() const
{
    if (!m_keywords) {
        auto* self = const_cast<EntryUse*>(this);
        m_keywords = new KeywordStore(m_keywordsPath, self);
        connect(m_keywords, &KeywordStore::changed, self, &EntryUse::keywordsChanged);
        self->followKeywords();
    }
    return m_keywords;
}

void EntryUse::followKeywords()
{
    if (!m_keywordWatch) {
        m_keywordSettle = new QTimer(this);
        m_keywordSettle->setSingleShot(true);
        m_keywordSettle->setInterval(SettleMilliseconds);
        // Changes not written yet stay, on top of what the file holds now.
        connect(m_keywordSettle, &QTimer::timeout, this, [this] {
            m_keywords->catchUp();
            followKeywords();
        });
        m_keywordWatch = new QFileSystemWatcher(this);
        const auto changed = [this] { m_keywordSettle->start(); };
        connect(m_keywordWatch, &QFileSystemWatcher::fileChanged, this, changed);
        connect(m_keywordWatch, &QFileSystemWatcher::directoryChanged, this, changed);
    }
    // The folder too: an atomic replace puts a new file in the old one's
    // place, and a watch on the file alone ends with the old one; the file
    // for a write in place.
    const QString folder = QFileInfo(m_keywordsPath).absolutePath();
    if (!m_keywordWatch->directories().contains(folder) && QFileInfo(folder).isDir())
        m_keywordWatch->addPath(folder);
    if (!m_keywordWatch->files().contains(m_keywordsPath) && QFileInfo(m_keywordsPath).isFile())
        m_keywordWatch->addPath(m_keywordsPath);
}

ListKind EntryUse::listOf(CatalogueListModel::Kind kind)
{
    return kind == CatalogueListModel::Kind::Smileys ? ListKind::Smiley : ListKind::Acronym;
}

QString EntryUse::favouritesPath() const
{
    return m_favourites->path();
}

bool EntryUse::isFavourite(CatalogueListModel::Kind kind, QStringView text) const
{
    return m_favourites->isFavourite(listOf(kind), text);
}

QSet<QString> EntryUse::favourites(CatalogueListModel::Kind kind) const
{
    return m_favourites->keys(listOf(kind));
}

QHash<QString, double> EntryUse::scores(CatalogueListModel::Kind kind) const
{
    // Asked as a filter or a pick opens: the uses another process (the
    // search service, a window of another session) wrote count too. Quietly,
    // since the asking filter takes them from here.
    {
        const QSignalBlocker quiet(usage());
        usage()->catchUp();
    }
    return usage()->scores(listOf(kind));
}

QString EntryUse::keywordsPath() const
{
    return m_keywordsPath;
}

QStringList EntryUse::keywords(CatalogueListModel::Kind kind, QStringView text) const
{
    return keywordStore()->keywords(listOf(kind), text);
}

AtomicFileWriter::Result EntryUse::setKeywords(CatalogueListModel::Kind kind, const QString& text,
                                               const QStringList& keywords)
{
    return keywordStore()->setKeywords(listOf(kind), text, keywords);
}

AtomicFileWriter::Result EntryUse::toggleFavourite(CatalogueListModel::Kind kind,
                                                   const QString& text)
{
    return m_favourites->setFavourite(listOf(kind), text, !isFavourite(kind, text));
}

void EntryUse::recordUse(CatalogueListModel::Kind kind, const QString& text)
{
    usage()->recordUse(listOf(kind), text);
}

void EntryUse::renamed(CatalogueListModel::Kind kind, const QString& oldText, const QString& text)
{
    m_favourites->rename(listOf(kind), oldText, text);
    keywordStore()->rename(listOf(kind), oldText, text);
    usage()->rename(listOf(kind), oldText, text);
}

namespace {

QString takenKey(CatalogueListModel::Kind kind, const QString& text)
{
    return QString::number(int(EntryUse::listOf(kind))) + EntryKey::of(text);
}

} // namespace

void EntryUse::removed(CatalogueListModel::Kind kind, const QString& text)
{
    m_taken.insert(takenKey(kind, text),
                   new Taken{isFavourite(kind, text), usage()->score(listOf(kind), text),
                             keywords(kind, text)});
    m_favourites->forget(listOf(kind), text);
    keywordStore()->forget(listOf(kind), text);
    usage()->forget(listOf(kind), text);
}

void EntryUse::added(CatalogueListModel::Kind kind, const QString& text)
{
    const std::unique_ptr<Taken> taken(m_taken.take(takenKey(kind, text)));
    if (!taken)
        return;
    if (taken->favourite)
        m_favourites->mark(listOf(kind), text);
    if (!taken->keywords.isEmpty()) {
        // Beside any it was given since, each once, as many as an entry takes:
        // over the limit the whole list would be refused and the taken ones lost.
        const QStringList both =
            KeywordStore::parse(KeywordStore::join(keywords(kind, text) + taken->keywords));
        keywordStore()->setKeywords(
            listOf(kind), text,
            both.first(std::min<qsizetype>(both.size(), KeywordStore::MaxKeywords)));
    }
    usage()->restore(listOf(kind), text, taken->score);
}
