#include "app/flows/MenuInsert.h"

#include "app/cli/EntryListing.h"
#include "app/cli/MenuCommands.h"
#include "app/settings/SettingsStore.h"
#include "desktop/ClipboardHandover.h"
#include "desktop/WaylandTeardown.h"
#include "desktop/typing/KeystrokeTyper.h"
#include "ovsmiley/ZunoSmiley1.h"
#include "search/UsageStore.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

// Once its line is read, how long --insert waits for the menu to end (its
// end of the pipe closed), so that the keys reach the window it gives the
// keyboard back to, not the menu.
constexpr int MenuEndMs = 1000;

ListKind kindOf(BilingualEntry::List list)
{
    return list == BilingualEntry::List::Smileys ? ListKind::Smiley : ListKind::Acronym;
}

// The menu's answer: until a whole line, or the end, or more than a line
// may hold; then the rest is let go until the menu ends, a second at most.
MenuCommands::Choice readChoice()
{
    QByteArray input;
    char buffer[16384];
    bool ended = false;
    while (!input.contains('\n') && input.size() <= MenuCommands::MaxLineLength + 2) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ended = true;
            break;
        }
        input.append(buffer, got);
    }
    const MenuCommands::Choice choice = MenuCommands::choiceOf(input, ended);
    const QDeadlineTimer deadline(MenuEndMs);
    while (!ended && choice.error.isEmpty() && !deadline.hasExpired()) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&in, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        ended = got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN);
    }
    return choice;
}

// Where a toolkit program finds no display it aborts: said plainly instead.
bool displayFound()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int MenuInsert::run(int& argc, char** argv)
{
    const MenuCommands::Choice choice = readChoice();
    if (!choice.error.isEmpty()) {
        MenuCommands::tell(choice.error);
        return 2;
    }
    if (!displayFound()) {
        MenuCommands::tell(QStringLiteral("no display to type on; nothing was inserted"));
        return 1;
    }
    // Not a client of the session manager: nothing to save or restore.
    qunsetenv("SESSION_MANAGER");
    QGuiApplication app(argc, argv);
    const QString folder = MenuCommands::listFolder();
    // A line of --list shows an entry's tabs and line breaks as blanks: the
    // entry itself is typed.
    const std::optional<BilingualEntry> entry = EntryListing::find(folder, choice.text);
    const QString text = entry ? entry->text : choice.text;

    int status = 0;
    const auto done = [&](bool delivered) {
        // Only what reached the user counts as a use, and only an entry's.
        if (delivered && entry) {
            UsageStore usage(UsageStore::defaultPath());
            usage.recordUse(kindOf(entry->list), entry->text);
            if (const AtomicFileWriter::Result written = usage.flush(); !written) {
                MenuCommands::tell(QStringLiteral("the use could not be recorded in %1: %2")
                                       .arg(usage.path(), written.detail));
                status = 1;
            }
        }
        if (!delivered)
            status = 1;
        app.quit();
    };
    KeystrokeTyper::prepare(&app, [&](KeystrokeTyper::Outcome ready) {
        if (ready == KeystrokeTyper::Outcome::Typed &&
            KeystrokeTyper::type(text) == KeystrokeTyper::Outcome::Typed) {
            done(true);
            return;
        }
        // Nothing could be typed there: the entry waits on the clipboard,
        // kept there once this process ends, and the pick's notice says so.
        QGuiApplication::clipboard()->setText(text);
        if (!ClipboardHandover::handOver()) {
            MenuCommands::tell(QStringLiteral("nothing could be typed or copied here"));
            done(false);
            return;
        }
        ZunoSmiley1 localizer;
        localizer.setLanguage(SettingsStore::language() == 1 ? ZunoSmiley1::smFrench
                                                             : ZunoSmiley1::smEnglish);
        MenuCommands::tell(localizer.ID_INT_PASTE_NOTICE());
        done(true);
    });
    app.exec();
    // Everything is done.
    if (WaylandTeardown::applies())
        WaylandTeardown::endProcess(status);
    return status;
}
