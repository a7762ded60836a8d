#pragma once

#include <QDBusArgument>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

class SearchService;

// One match as the desktop's runner host takes it: (sssida{sv}).
struct RunnerMatch
{
    QString id;
    QString text;
    QString iconName;
    int type = 0; // the host's match type: 100 exact, 30 possible
    double relevance = 0;
    QVariantMap properties; // "subtext", "category"
};
// One action offered on every match: (sss).
struct RunnerAction
{
    QString id;
    QString text;
    QString iconName;
};
using RunnerMatches = QList<RunnerMatch>;
using RunnerActions = QList<RunnerAction>;
Q_DECLARE_METATYPE(RunnerMatch)
Q_DECLARE_METATYPE(RunnerAction)

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerMatch& match);
const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerMatch& match);
QDBusArgument& operator<<(QDBusArgument& argument, const RunnerAction& action);
const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerAction& action);

// The search service as a runner of the desktop's launcher (org.kde.krunner1):
// each typed query answers the best entries with their descriptions;
// running a match copies its text, its action "insert" types it.
class RunnerEndpoint : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")
public:
    static constexpr char ObjectPath[] = "/runner";
    static constexpr char InsertAction[] = "insert";
    // Enough to choose from in the launcher's list.
    static constexpr qsizetype MatchLimit = 20;

    explicit RunnerEndpoint(SearchService& service, QObject* parent = nullptr);

    static void registerTypes();

public Q_SLOTS:
    RunnerActions Actions();
    RunnerMatches Match(const QString& query);
    void Run(const QString& matchId, const QString& actionId);
    void Teardown();

private:
    SearchService& m_service;
};
