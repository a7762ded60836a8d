// A window with one text field, for tests that type into another program's
// window. Once shown and focused it prints "ready <window id>"; it then reads
// commands from its standard input, one a line:
//   text     prints "text <the field's text as UTF-8 in base64>"
//   clear    empties the field and prints "cleared"
//   focus    takes the keyboard focus and prints "focused"
//   busy MS  prints "busy" and then reads no event for MS milliseconds, as a
//            window on a loaded machine gets round to its events late
// When its window is closed or on SIGTERM it prints the text line once more
// and ends; SIGUSR1 prints it and goes on, for a shell that gives it no input
// (`base64 -d` of the line's second word is the text).
#include <QApplication>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Signals reach the event loop through a pipe.
int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

void say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void sayText(const QPlainTextEdit& field)
{
    say("text " + field.toPlainText().toUtf8().toBase64());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QPlainTextEdit field;
    field.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral("Typing target"));
    field.resize(400, 120);
    field.show();
    field.activateWindow();
    field.setFocus();

    // Ready once the window really has the keyboard focus.
    QTimer readiness;
    QObject::connect(&readiness, &QTimer::timeout, &field, [&] {
        if (!field.isActiveWindow())
            return;
        readiness.stop();
        say("ready " + QByteArray::number(static_cast<qulonglong>(field.winId())));
    });
    readiness.start(20);

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &field, [&] {
        char buffer[256];
        const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            input.setEnabled(false); // a shell started it without input
            return;
        }
        pending.append(buffer, count);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray command = pending.left(end).trimmed();
            if (command == "text") {
                sayText(field);
            } else if (command == "clear") {
                field.clear();
                say("cleared");
            } else if (command == "focus") {
                field.activateWindow();
                say("focused");
            } else if (command.startsWith("busy ")) {
                say("busy");
                QThread::msleep(command.mid(5).toULong());
            }
        }
    });
    if (pipe(signalPipe) != 0)
        return 1;
    std::signal(SIGTERM, onSignal);
    std::signal(SIGUSR1, onSignal);
    QSocketNotifier signals(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signals, &QSocketNotifier::activated, &field, [&] {
        char number = 0;
        if (read(signalPipe[0], &number, 1) != 1)
            return;
        if (number == SIGUSR1)
            sayText(field);
        else
            field.close();
    });
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, [&] {
        sayText(field);
        app.quit();
    });
    return app.exec();
}
