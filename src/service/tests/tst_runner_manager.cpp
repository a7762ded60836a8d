// The runner as the desktop's launcher loads it: the launcher's own runner
// manager finds the runner's file in the data folders, starts the service
// through the session bus, shows its matches and runs one. Built against the
// desktop's libraries (Qt 5), so a plain program: it prints what failed and
// ends with a non-zero status.
#include <KRunner/AbstractRunner>
#include <KRunner/QueryMatch>
#include <KRunner/RunnerManager>

#include "TypingTarget.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

#include <cstdio>

namespace {

const QString RunnerId = QStringLiteral("example.orvak.ZunoSmiley");
int failures = 0;

void check(bool ok, const QString& what)
{
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", qPrintable(what));
    failures += ok ? 0 : 1;
}

// The runner's matches for term, once the manager has finished the query.
QList<Plasma::QueryMatch> ourMatches(Plasma::RunnerManager& manager, const QString& term)
{
    QEventLoop loop;
    QObject::connect(&manager, &Plasma::RunnerManager::queryFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    manager.launchQuery(term);
    loop.exec();
    QList<Plasma::QueryMatch> ours;
    for (const Plasma::QueryMatch& match : manager.matches())
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
    Plasma::RunnerManager manager(QStringLiteral("krunnerrc"));

    for (const QString& term : {QStringLiteral("wink"), QStringLiteral("clin")}) {
        const QList<Plasma::QueryMatch> matches = ourMatches(manager, term);
        const bool found = !matches.isEmpty() && matches.first().text() == QLatin1String(";-)");
        check(found, QStringLiteral("\"%1\" answers ;-) first").arg(term));
        if (found)
            check(matches.first().subtext() == QLatin1String("Wink"),
                  QStringLiteral("its subtext is the English description: ") +
                      matches.first().subtext());
    }

    const QList<Plasma::QueryMatch> wink = ourMatches(manager, QStringLiteral("wink"));
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
    QList<Plasma::QueryMatch> grin;
    QAction* insert = nullptr;
    waitFor([&] {
        grin = ourMatches(manager, QStringLiteral("tongue"));
        if (!grin.isEmpty())
            for (QAction* action : manager.actionsForMatch(grin.first()))
                if (action->text() == QLatin1String("Insert"))
                    insert = action;
        return insert != nullptr;
    });
    check(insert, QStringLiteral("a match offers the action Insert"));
    if (insert && target.window()) {
        Plasma::QueryMatch match = grin.first();
        match.setSelectedAction(insert);
        manager.run(match);
        QString typed;
        waitFor([&] { return (typed = target.text()) == match.text(); });
        check(typed == match.text(),
              QStringLiteral("Insert types %1: %2").arg(match.text(), typed));
    }
    return failures == 0 ? 0 : 1;
}
