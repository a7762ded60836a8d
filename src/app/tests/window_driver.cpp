// One catalogue window in a process of its own, driven line by line from
// its standard input, so that tests and the stress script can run several
// real programs on one list folder and kill them at will.
//
//   window_driver LIST_FOLDER
//
// Commands, fields separated by tabs; each answers one line:
//   add LIST TEXT DESCRIPTION        -> "done 1" (changed) or "done 0"
//   edit LIST OLD TEXT DESCRIPTION   -> "done 1" or "done 0"
//   remove LIST TEXT                 -> "done 1" or "done 0"
//   idle                             -> "idle" once every change is written
//   rows LIST                        -> one "TEXT<tab>DESCRIPTION" line per user entry, then "end"
//   close                            -> "closed 1" when the window closed, then the process ends
// It answers "ready" once the window is shown.

#include "app/ModZunoSmiley.h"
#include "app/dialogs/MessageBox.h"
#include "app/frmMain.h"
#include "app/models/CatalogueListModel.h"
#include "app/widgets/ListPage.h"
#include "lists/UserListStore.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

void answer(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool idle(frmMain* window)
{
    for (int list = 0; list < frmMain::ListCount; ++list) {
        if (window->store(list)->isBusy() || window->store(list)->hasPending())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    if (argc < 2)
        return 2;
    // A failed save is answered without a person: the window closes.
    MessageBox::setNextAnswer(MessageBox::CloseAnyway);
    QTemporaryDir program;
    ModZunoSmiley mod(program.filePath(QStringLiteral("ZunoSmiley")));
    mod.setListFolder(QString::fromLocal8Bit(argv[1]));
    mod.Main();
    frmMain* window = mod.MainWindow;
    answer(QStringLiteral("ready"));

    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string raw;
        if (!std::getline(std::cin, raw)) {
            QCoreApplication::quit();
            return;
        }
        const QStringList f = QString::fromUtf8(raw.c_str()).split(QLatin1Char('\t'));
        const QString command = f.value(0);
        ListPage* page = window->page(f.value(1).toInt());
        if (command == QLatin1String("add") && f.size() == 4) {
            answer(QStringLiteral("done %1").arg(page->addUserEntry(f[2], f[3])));
        } else if (command == QLatin1String("edit") && f.size() == 5) {
            answer(QStringLiteral("done %1").arg(page->editUserEntry(f[2], f[3], f[4])));
        } else if (command == QLatin1String("remove") && f.size() == 3) {
            answer(QStringLiteral("done %1").arg(page->removeUserEntry(f[2])));
        } else if (command == QLatin1String("idle")) {
            auto* poll = new QTimer(&app);
            QObject::connect(poll, &QTimer::timeout, [poll, window] {
                if (!idle(window))
                    return;
                poll->deleteLater();
                answer(QStringLiteral("idle"));
            });
            poll->start(10);
        } else if (command == QLatin1String("rows") && page) {
            for (const auto& entry : page->model()->userEntries())
                answer(entry.text + QLatin1Char('\t') + entry.description);
            answer(QStringLiteral("end"));
        } else if (command == QLatin1String("close")) {
            answer(QStringLiteral("closed %1").arg(window->close()));
            QCoreApplication::quit();
        } else {
            answer(QStringLiteral("unknown"));
        }
    });
    return app.exec();
}
