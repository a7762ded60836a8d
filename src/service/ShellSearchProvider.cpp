#include "service/ShellSearchProvider.h"

#include "base/InstallLayout.h"
#include "search/SearchIndex.h"
#include "service/SearchService.h"

#include <algorithm>

ShellSearchProvider::ShellSearchProvider(SearchService& service)
    : m_service(service)
{}

QString ShellSearchProvider::queryOf(const QStringList& terms)
{
    // Joined only as far as a query reaches (one unit beyond, so that the
    // bound still sees a cut word): the terms of a huge call are not copied.
    constexpr qsizetype Reach = SearchIndex::MaxTypedLength + 1;
    QString query;
    for (qsizetype i = 0; i < terms.size(); ++i) {
        const QString& term = terms.at(i);
        if (i > 0)
            query += QLatin1Char(' ');
        query += QStringView(term).first(
            std::min(term.size(), std::max<qsizetype>(Reach - query.size(), 0)));
        if (query.size() >= Reach)
            break;
    }
    return query;
}

QStringList ShellSearchProvider::resultSet(const QStringList& terms)
{
    QStringList ids;
    for (const SearchService::Found& found : m_service.search(queryOf(terms), ResultLimit))
        ids << found.entry->id();
    return ids;
}

QList<ShellSearchProvider::Meta> ShellSearchProvider::metas(const QStringList& ids)
{
    const int language = SearchService::desktopLanguage();
    QList<Meta> metas;
    for (const QString& id : ids.mid(0, MetasLimit)) {
        const BilingualEntry* entry = m_service.find(id);
        if (!entry)
            continue;
        metas.append({id, entry->text, entry->description(language), entry->text,
                      QLatin1String(InstallLayout::DesktopApplicationId)});
    }
    return metas;
}

void ShellSearchProvider::activate(const QString& id)
{
    m_service.recordUse(id);
}

void ShellSearchProvider::launchSearch(const QStringList& terms)
{
    m_service.openWindow(queryOf(terms));
}
