#include "service/SearchService.h"

#include "search/FavouriteStore.h"
#include "search/UsageStore.h"

#include <QCoreApplication>
#include <QLocale>

int SearchService::idleTimeFromEnvironment()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("ZUNO_SEARCH_IDLE_MS", &ok);
    return ok && ms > 0 ? ms : DefaultIdleMs;
}

SearchService::SearchService(const QString& listFolder, const EntryDelivery::Programs& programs,
                             QObject* parent)
    : QObject(parent)
    , m_catalogue(listFolder)
    , m_ranking(FavouriteStore::pathIn(listFolder), UsageStore::defaultPath(), desktopLanguage())
    , m_delivery(programs)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleTimeFromEnvironment());
    connect(&m_idle, &QTimer::timeout, qApp, &QCoreApplication::quit);
    connect(&m_catalogue, &LauncherCatalogue::changed, this,
            [this] { m_ranking.setEntries(m_catalogue.entries()); });
}

void SearchService::load()
{
    m_catalogue.load();
    m_ranking.setEntries(m_catalogue.entries());
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
    // and the typo index of the next queries.
    QTimer::singleShot(0, &m_catalogue, [this] {
        m_catalogue.makeIds();
        m_ranking.prepare();
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
    return m_delivery.copy(entry->text);
}

bool SearchService::insert(const QString& id)
{
    const BilingualEntry* entry = find(id);
    if (!entry)
        return false;
    m_ranking.recordUse(*entry);
    return m_delivery.type(entry->text);
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
