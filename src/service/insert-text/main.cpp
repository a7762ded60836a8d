// zuno-insert-text --copy | --type, with the text on standard input: what the
// search service, which has no display connection, asks of the desktop. The
// text comes on standard input so that it is never on the command line nor
// taken for an option of the toolkit's, up to a helper's bound
// (DetachedHelper::MaximumInput). --copy puts the text on the clipboard and
// leaves it with the clipboard keeper, so that it stays there after this
// process ends. --type types it into the window that has the focus once the
// launcher has stepped aside, or copies it where it cannot be sure where the
// keys would land or this desktop offers no typing, and says why.
#include "base/DesktopSession.h"
#include "base/DetachedHelper.h"
#include "desktop/ActiveWindow.h"
#include "desktop/ClipboardHandover.h"
#include "desktop/WaylandTeardown.h"
#include "desktop/typing/KeystrokeTyper.h"
#include "service/EntryDelivery.h"
#if ZUNO_WITH_WAYLAND
#include "service/insert-text/LauncherFocus.h"
#endif

#include <QClipboard>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QTimer>

#include <cstdio>

namespace {

// The launcher's windows, which keys must never reach: the desktop's search
// field and the overview of the desktop's shell.
bool isLauncher(const ActiveWindow& window)
{
    const QString windowClass = window.windowClass();
    return windowClass.compare(QLatin1String("krunner"), Qt::CaseInsensitive) == 0 ||
           windowClass.compare(QLatin1String("plasmashell"), Qt::CaseInsensitive) == 0;
}

// The launcher hides its window as it runs a match; the focus goes back to
// the window the user typed in.
constexpr int StepAsideMs = 1000;
constexpr int FocusPollMs = 20;

int copy(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    return ClipboardHandover::handOver() ? 0 : 1;
}

// Where nothing may be typed the text is pasted: the desktop's clipboard
// history keeps it on any platform.
int copyInstead(const QString& text)
{
    return EntryDelivery::toClipboardHistory(text) ? 0 : copy(text);
}

// Types where the focus now is, as the pick does: copies where nothing
// types here.
void typeHere(QGuiApplication& app, const QString& text)
{
    KeystrokeTyper::prepare(&app, [&app, text](KeystrokeTyper::Outcome ready) {
        if (ready == KeystrokeTyper::Outcome::Typed &&
            KeystrokeTyper::type(text) == KeystrokeTyper::Outcome::Typed) {
            app.exit(0);
            return;
        }
        std::fprintf(stderr, "zuno-insert-text: this desktop offers no typing here; the text "
                             "was copied instead\n");
        app.exit(copyInstead(text));
    });
}

void copyBecause(QGuiApplication& app, const QString& text, const QString& reason)
{
    std::fprintf(stderr, "zuno-insert-text: %s; the text was copied instead\n", qPrintable(reason));
    app.exit(copyInstead(text));
}

#if ZUNO_WITH_WAYLAND
// On Wayland only KWin's window list tells where the keyboard is; keys typed
// blind could land in the launcher.
void typeOrCopyOnWayland(QGuiApplication& app, const QString& text)
{
    switch (LauncherFocus::awaitOtherWindow(std::chrono::milliseconds(StepAsideMs))) {
    case LauncherFocus::Outcome::Elsewhere:
        typeHere(app, text);
        return;
    case LauncherFocus::Outcome::Launcher:
        copyBecause(app, text, QStringLiteral("the launcher kept the keyboard"));
        return;
    case LauncherFocus::Outcome::Unknown:
        // KWin shows its windows to the programs its desktop entries name.
        copyBecause(app, text,
                    QStringLiteral("the compositor does not say which window has the keyboard "
                                   "(KWin tells a program whose desktop entry's Exec names %1)")
                        .arg(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()));
        return;
    }
}
#endif

// Types once the focus is known to be in a window other than the launcher's;
// copies when it is not by the deadline, or cannot be known.
void typeOrCopy(QGuiApplication& app, const QString& text)
{
    if (isWaylandSession()) {
#if ZUNO_WITH_WAYLAND
        typeOrCopyOnWayland(app, text);
#else
        copyBecause(app, text, QStringLiteral("this build types on X11 only"));
#endif
        return;
    }
    if (ActiveWindow::current().isNull()) {
        copyBecause(app, text, QStringLiteral("no window has the keyboard"));
        return;
    }
    auto* poll = new QTimer(&app);
    const QDeadlineTimer deadline(StepAsideMs);
    QObject::connect(poll, &QTimer::timeout, &app, [&app, poll, deadline, text] {
        const ActiveWindow focused = ActiveWindow::current();
        if (!focused.isNull() && !isLauncher(focused)) {
            poll->stop();
            typeHere(app, text);
        } else if (deadline.hasExpired()) {
            poll->stop();
            copyBecause(app, text, QStringLiteral("the launcher kept the keyboard"));
        }
    });
    poll->start(FocusPollMs);
}

} // namespace

int main(int argc, char* argv[])
{
    const QByteArray mode = argc == 2 ? QByteArray(argv[1]) : QByteArray();
    if (mode != "--copy" && mode != "--type") {
        std::fprintf(stderr, "Usage: zuno-insert-text --copy | --type, the text on standard "
                             "input\n");
        return 2;
    }
    const std::optional<QByteArray> input = DetachedHelper::readInput();
    if (!input || input->isEmpty()) {
        std::fprintf(stderr,
                     "zuno-insert-text: no text of at most %lld bytes on standard "
                     "input\n",
                     static_cast<long long>(DetachedHelper::MaximumInput));
        return 2;
    }
    // Checked first: the toolkit aborts where it finds no display.
    if (!EntryDelivery::displayFound(QProcessEnvironment::systemEnvironment())) {
        std::fprintf(stderr, "zuno-insert-text: no display to copy or type on\n");
        return 1;
    }
    // Not a client of the session manager: nothing to save or restore.
    qunsetenv("SESSION_MANAGER");
    QGuiApplication app(argc, argv);
    const QString text = QString::fromUtf8(*input);
    int status = 0;
    if (mode == "--copy") {
        status = copy(text);
    } else {
        QTimer::singleShot(0, &app, [&app, &text] { typeOrCopy(app, text); });
        status = app.exec();
    }
    // Everything is done.
    if (WaylandTeardown::applies())
        WaylandTeardown::endProcess(status);
    return status;
}
