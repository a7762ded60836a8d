// zuno-insert-text --copy | --type, with the text on standard input: what the
// search service, which has no display connection, asks of the desktop. The
// text comes on standard input so that it is never on the command line nor
// taken for an option of the toolkit's, up to a helper's bound
// (DetachedHelper::MaximumInput). --copy puts the text on the clipboard and
// leaves it with the clipboard keeper, so that it stays there after this
// process ends. --type types it into the window that has the focus once the
// launcher has stepped aside, or copies it where it cannot be sure where the
// keys would land or this desktop offers no typing.
#include "base/DetachedHelper.h"
#include "desktop/ActiveWindow.h"
#include "desktop/ClipboardHandover.h"
#include "desktop/typing/KeystrokeTyper.h"
#include "service/EntryDelivery.h"

#include <QClipboard>
#include <QDeadlineTimer>
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

// Types once the focus is known to be in a window other than the launcher's;
// copies when it is not by the deadline, or cannot be known (no X display,
// as in a Wayland session): keys typed blind could land in the launcher.
void typeOrCopy(QGuiApplication& app, const QString& text)
{
    if (ActiveWindow::current().isNull()) {
        app.exit(copyInstead(text));
        return;
    }
    auto* poll = new QTimer(&app);
    const QDeadlineTimer deadline(StepAsideMs);
    QObject::connect(poll, &QTimer::timeout, &app, [&app, poll, deadline, text] {
        const ActiveWindow focused = ActiveWindow::current();
        if (!focused.isNull() && !isLauncher(focused)) {
            poll->stop();
            KeystrokeTyper::prepare(&app, [&app, text](KeystrokeTyper::Outcome ready) {
                if (ready == KeystrokeTyper::Outcome::Typed &&
                    KeystrokeTyper::type(text) == KeystrokeTyper::Outcome::Typed)
                    app.exit(0);
                else
                    app.exit(copyInstead(text));
            });
        } else if (deadline.hasExpired()) {
            poll->stop();
            app.exit(copyInstead(text));
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
    if (mode == "--copy")
        return copy(text);
    QTimer::singleShot(0, &app, [&app, &text] { typeOrCopy(app, text); });
    return app.exec();
}
