#include "service/ShellSearchProvider.h"

#include "base/InstallLayout.h"
#include "search/SearchIndex.h"
#include "service/SearchService.h"

#include <QDBusMetaType>
#include <QThreadPool>

#include <algorithm>

ShellSearchProvider::ShellSearchProvider(SearchService& service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{}

void ShellSearchProvider::registerTypes()
{
    qDBusRegisterMetaType<ResultMetas>();
}

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

void ShellSearchProvider::releaseElsewhere(const QDBusMessage& call, qsizetype strings)
{
    if (strings < LongList)
        return;
    // Kept until the next turn, when the bus library has let its copies go.
    m_released.append(call);
    if (m_released.size() > 1)
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            QThreadPool::globalInstance()->start([calls = std::exchange(m_released, {})] {});
        },
        Qt::QueuedConnection);
}

QStringList ShellSearchProvider::resultSet(const QStringList& terms)
{
    QStringList ids;
    for (const SearchService::Found& found : m_service.search(queryOf(terms), ResultLimit))
        ids << found.entry->id();
    return ids;
}

QStringList ShellSearchProvider::GetInitialResultSet(const QStringList& terms,
                                                     const QDBusMessage& call)
{
    releaseElsewhere(call, terms.size());
    return resultSet(terms);
}

QStringList ShellSearchProvider::GetSubsearchResultSet(const QStringList& previousResults,
                                                       const QStringList& terms,
                                                       const QDBusMessage& call)
{
    releaseElsewhere(call, previousResults.size() + terms.size());
    // A narrower query may rank another entry first: searched afresh, which
    // costs no more than filtering the previous ids.
    return resultSet(terms);
}

ResultMetas ShellSearchProvider::GetResultMetas(const QStringList& identifiers,
                                                const QDBusMessage& call)
{
    releaseElsewhere(call, identifiers.size());
    const int language = SearchService::desktopLanguage();
    ResultMetas metas;
    for (const QString& id : identifiers.mid(0, MetasLimit)) {
        // An id of entries since removed is left out, as the shell expects.
        const BilingualEntry* entry = m_service.find(id);
        if (!entry)
            continue;
        metas.append(
            {{QStringLiteral("id"), id},
             {QStringLiteral("name"), entry->text},
             {QStringLiteral("description"), entry->description(language)},
             {QStringLiteral("clipboardText"), entry->text},
             {QStringLiteral("gicon"), QLatin1String(InstallLayout::DesktopApplicationId)}});
    }
    return metas;
}

void ShellSearchProvider::ActivateResult(const QString& identifier, const QStringList&, uint)
{
    // The shell has copied clipboardText itself; the use is what is left.
    m_service.recordUse(identifier);
}

void ShellSearchProvider::LaunchSearch(const QStringList& terms, uint)
{
    m_service.openWindow(queryOf(terms));
}
