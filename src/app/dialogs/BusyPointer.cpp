#include "app/dialogs/BusyPointer.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>

void BusyPointer::show()
{
    // The pointer is shown over the program's windows: before the first is
    // up there is nothing to show it on, and loading the pointer's theme
    // would only slow the start.
    const QWidgetList windows = QApplication::topLevelWidgets();
    if (std::none_of(windows.cbegin(), windows.cend(),
                     [](const QWidget* window) { return window->isVisible(); }))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void BusyPointer::restoreNormal()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}
