#include "service/RunnerEndpoint.h"

#include "base/InstallLayout.h"
#include "service/SearchService.h"

#include <QDBusMetaType>

#include <algorithm>

namespace {

constexpr int ExactMatch = 100;
constexpr int PossibleMatch = 30;

// 1 for the best possible match (the text itself), falling towards 0 with
// the match's class and its place in the ranking, which the runner orders by.
double relevanceOf(MatchClass match, qsizetype place)
{
    if (match == MatchClass::Equal)
        return 1.0;
    return std::max(0.9 - 0.1 * int(match) - 0.001 * place, 0.01);
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerMatch& match)
{
    argument.beginStructure();
    argument << match.id << match.text << match.iconName << match.type << match.relevance
             << match.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerMatch& match)
{
    argument.beginStructure();
    argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance >>
        match.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerAction& action)
{
    argument.beginStructure();
    argument << action.id << action.text << action.iconName;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerAction& action)
{
    argument.beginStructure();
    argument >> action.id >> action.text >> action.iconName;
    argument.endStructure();
    return argument;
}

RunnerEndpoint::RunnerEndpoint(SearchService& service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{}

void RunnerEndpoint::registerTypes()
{
    qDBusRegisterMetaType<RunnerMatch>();
    qDBusRegisterMetaType<RunnerMatches>();
    qDBusRegisterMetaType<RunnerAction>();
    qDBusRegisterMetaType<RunnerActions>();
}

RunnerActions RunnerEndpoint::Actions()
{
    const bool french = SearchService::desktopLanguage() == 1;
    return {{QLatin1String(InsertAction),
             french ? QStringLiteral("Insérer") : QStringLiteral("Insert"),
             QStringLiteral("edit-paste")}};
}

RunnerMatches RunnerEndpoint::Match(const QString& query)
{
    const int language = SearchService::desktopLanguage();
    RunnerMatches matches;
    for (const SearchService::Found& found : m_service.search(query, MatchLimit)) {
        RunnerMatch match;
        match.id = found.entry->id();
        match.text = found.entry->text;
        match.iconName = QLatin1String(InstallLayout::DesktopApplicationId);
        match.type = found.hit.match == MatchClass::Equal ? ExactMatch : PossibleMatch;
        match.relevance = relevanceOf(found.hit.match, matches.size());
        match.properties.insert(QStringLiteral("subtext"), found.entry->description(language));
        matches.append(match);
    }
    return matches;
}

void RunnerEndpoint::Run(const QString& matchId, const QString& actionId)
{
    const bool done = actionId == QLatin1String(InsertAction) ? m_service.insert(matchId)
                                                              : m_service.copy(matchId);
    // The launcher learns that nothing reached the desktop.
    if (!done && calledFromDBus())
        sendErrorReply(QDBusError::Failed, QStringLiteral("The entry could not be handed on."));
}

void RunnerEndpoint::Teardown()
{
    // Nothing is held per query; the idle time ends the service.
}
