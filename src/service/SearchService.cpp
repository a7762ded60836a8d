#include "service/SearchService.h"

#include "search/FavouriteStore.h"
#include "search/MemoryAdvice.h"
#include "search/UsageStore.h"

#include <QCoreApplication>
#include <QLocale>

namespace {

// A string of its own, whatever the entry's points into.
QString ownCopy(const QString& text)
{
    return QString(text.constData(), text.size());
}

} // namespace

int SearchService::idleTimeFromEnvironment()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("ZUNO_SEARCH_IDLE_MS", &ok);
    return ok && ms > 0 ? ms : DefaultIdleMs;
}

SearchService::SearchService(const QString& listFolder, const EntryDelivery::Programs& programs,
                             QObject* parent)
    : QObject(parent)
    , m_catalogue(listFolder, CatalogueCache::defaultPath())
    , m_ranking(FavouriteStore::pathIn(listFolder), UsageStore::defaultPath(), desktopLanguage())
    , m_delivery(programs)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleTimeFromEnvironment());
    connect(&m_idle, &QTimer::timeout, qApp, &QCoreApplication::quit);
    connect(&m_catalogue, &LauncherCatalogue::changed, this, [this] {
        m_ranking.setEntries(m_catalogue.entries(), m_catalogue.foldedAt(),
                             m_catalogue.foldedHolder());
        // The entries and indexes read before are gone.
        MemoryAdvice::giveBackFreed();
    });
}

void SearchService::load()
{
    m_catalogue.load();
    m_ranking.setEntries(m_catalogue.entries(), m_catalogue.foldedAt(), m_catalogue.foldedHolder());
    m_idle.start();
}

void SearchService::touch()
{
    m_idle.start();
    m_catalogue.catchUp();
}

QList<SearchService::Found> SearchService::search(const QString& query, qsizetype limit)
{
    touch();
    // Only what a query takes of it is handled at all: a huge query costs
    // the ranking's checks no more than a short one.
    const QString taken = SearchIndex::bounded(query).toString();
    QList<Found> found;
    for (const EntryRanking::Hit& hit : m_ranking.rank(taken, limit))
        found.append({&m_catalogue.entries()[hit.index], hit});
    // Once this answer is on its way: the ids the next requests look up,
    // the typo index of the next queries, and the stored copy of the entries
    // for the next start.
    QTimer::singleShot(0, &m_catalogue, [this] {
        m_catalogue.makeIds();
        m_ranking.prepare();
        m_catalogue.keep();
        // The start is over: the heap it kept for itself is the system's again.
        if (!m_memoryGivenBack) {
            m_memoryGivenBack = true;
            MemoryAdvice::giveBackFreed();
        }
    });
    return found;
}

const BilingualEntry* SearchService::find(const QString& id)
{
    touch();
    return m_catalogue.find(id);
}

bool SearchService::copy(const QString& id)
{
    const BilingualEntry* entry = find(id);
    if (!entry)
        return false;
    m_ranking.recordUse(*entry);
    // The delivery may hold it beyond the next change of the entries.
    return m_delivery.copy(ownCopy(entry->text));
}

bool SearchService::insert(const QString& id)
{
    const BilingualEntry* entry = find(id);
    if (!entry)
        return false;
    m_ranking.recordUse(*entry);
    return m_delivery.type(ownCopy(entry->text));
}

void SearchService::recordUse(const QString& id)
{
    if (const BilingualEntry* entry = find(id))
        m_ranking.recordUse(*entry);
}

void SearchService::openWindow(const QString& terms)
{
    touch();
    // What the window's filter would take of them.
    m_delivery.openWindow(SearchIndex::bounded(terms).toString());
}

int SearchService::desktopLanguage()
{
    return QLocale::system().language() == QLocale::French ? 1 : 2;
}
