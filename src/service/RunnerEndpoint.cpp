#include "service/RunnerEndpoint.h"

#include "base/InstallLayout.h"
#include "service/SearchService.h"

#include <QDBusMetaType>

namespace {
constexpr int ExactMatch = 100;
constexpr int PossibleMatch = 30;
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
        match.type = found.match.exact ? ExactMatch : PossibleMatch;
        match.relevance = found.match.relevance;
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
