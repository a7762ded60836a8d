// The runner as the desktop's launcher loads it: the launcher's own runner
// manager finds the runner's file in the data folders, starts the service
// through the session bus, shows its matches and runs one. Built against the
// desktop's libraries, KDE Frameworks 5 (Qt 5) and, where installed, 6, so a
// plain program: it prints what failed and ends with a non-zero status.
#include <KRunner/AbstractRunner>
#include <KRunner/QueryMatch>
#include <KRunner/RunnerManager>
#include <krunner_version.h>

#include "TypingTarget.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

#include <cstdio>

#if KRUNNER_VERSION_MAJOR >= 6
using KRunner::QueryMatch;
using KRunner::RunnerManager;
#else
using Plasma::QueryMatch;
using Plasma::RunnerManager;
#endif

namespace {

const QString RunnerId = QStringLiteral("example.orvak.ZunoSmiley");
int failures = 0;

void check(bool ok, const QString& what)
{
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", qPrintable(what));
    failures += ok ? 0 : 1;
}

// The runner's matches for term, once the manager has finished the query.
QList<QueryMatch> ourMatches(RunnerManager& manager, const QString& term)
{
    QEventLoop loop;
    QObject::connect(&manager, &RunnerManager::queryFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    manager.launchQuery(term);
    loop.exec();
    QList<QueryMatch> ours;
    for (const QueryMatch& match : manager.matches())
        if (match.runner() && match.runner()->id() == RunnerId)
            ours << match;
    return ours;
}

// Runs the event loop until done() holds, for 30 seconds at most.
bool waitFor(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(30000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// How the launcher ranks the match: KRunner 5 by its type, KRunner 6 reads
// that type as the relevance of its category. Either way an exact match
// ranks 100 (ExactMatch, Highest), any other 30 (PossibleMatch, Low): the
// other types KRunner 5 treats as not to be run at once.
int rankOf(const QueryMatch& match)
{
#if KRUNNER_VERSION_MAJOR >= 6
    return qRound(match.categoryRelevance());
#else
    return int(match.type());
#endif
}

QString clipboardFromOutside()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    xclip.waitForFinished(5000);
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
#if KRUNNER_VERSION_MAJOR >= 6
    RunnerManager manager;
#else
    RunnerManager manager(QStringLiteral("krunnerrc"));
#endif

    for (const QString& term : {QStringLiteral("wink"), QStringLiteral("clin")}) {
        const QList<QueryMatch> matches = ourMatches(manager, term);
        const bool found = !matches.isEmpty() && matches.first().text() == QLatin1String(";-)");
        check(found, QStringLiteral("\"%1\" answers ;-) first").arg(term));
        if (found)
            check(matches.first().subtext() == QLatin1String("Wink"),
                  QStringLiteral("its subtext is the English description: ") +
                      matches.first().subtext());
        if (found)
            check(rankOf(matches.first()) == 30,
                  QStringLiteral("it ranks as a possible match: %1").arg(rankOf(matches.first())));
    }
    const QList<QueryMatch> exact = ourMatches(manager, QStringLiteral(";-)"));
    check(!exact.isEmpty() && exact.first().text() == QLatin1String(";-)") &&
              rankOf(exact.first()) == 100,
          QStringLiteral("\";-)\" ranks as an exact match"));

    const QList<QueryMatch> wink = ourMatches(manager, QStringLiteral("wink"));
    if (!wink.isEmpty()) {
        manager.run(wink.first());
        // The copy is made by other processes, and kept by one that outlives
        // them: read from outside until it is there.
        QString clipboard;
        waitFor([&] { return (clipboard = clipboardFromOutside()) == QLatin1String(";-)"); });
        check(clipboard == QLatin1String(";-)"),
              QStringLiteral("running it copies ;-): ") + clipboard);
    }

    // "Insert" types the entry into the window that has the focus.
    TypingTarget target(QStringLiteral("runner target"), QStringLiteral("xcb"));
    check(target.window() != 0, QStringLiteral("the typing target has the focus"));
    // The manager asks for the runner's actions once, besides a query: a
    // later query shows them.
    QList<QueryMatch> grin;
#if KRUNNER_VERSION_MAJOR >= 6
    // KRunner 6 hands the actions with the match.
    KRunner::Action insert;
    const auto actionsOf = [](const QueryMatch& match) { return match.actions(); };
    const auto textOf = [](const KRunner::Action& action) { return action.text(); };
#else
    QAction* insert = nullptr;
    const auto actionsOf = [&](const QueryMatch& match) { return manager.actionsForMatch(match); };
    const auto textOf = [](const QAction* action) { return action->text(); };
#endif
    waitFor([&] {
        grin = ourMatches(manager, QStringLiteral("tongue"));
        if (!grin.isEmpty())
            for (const auto& action : actionsOf(grin.first()))
                if (textOf(action) == QLatin1String("Insert"))
                    insert = action;
        return bool(insert);
    });
    check(bool(insert), QStringLiteral("a match offers the action Insert"));
    if (insert && target.window()) {
        QueryMatch match = grin.first();
#if KRUNNER_VERSION_MAJOR >= 6
        manager.run(match, insert);
#else
        match.setSelectedAction(insert);
        manager.run(match);
#endif
        QString typed;
        waitFor([&] { return (typed = target.text()) == match.text(); });
        check(typed == match.text(),
              QStringLiteral("Insert types %1: %2").arg(match.text(), typed));
    }
    return failures == 0 ? 0 : 1;
}
