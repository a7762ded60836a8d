#include "BusyPointer.h"

#include <QApplication>

void BusyPointer::show()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void BusyPointer::restoreNormal()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}
