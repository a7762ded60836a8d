#include "keeper/ClipboardKeeper.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

ClipboardKeeper::ClipboardKeeper(QObject* parent)
    : QObject(parent)
{}

bool ClipboardKeeper::keep(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text, QClipboard::Clipboard);
    if (!clipboard->ownsClipboard())
        return false;
    // Queued: the platform may report the new owner before it has dropped
    // what this process served.
    connect(clipboard, &QClipboard::dataChanged, this, &ClipboardKeeper::checkStillOwner,
            Qt::QueuedConnection);
    return true;
}

void ClipboardKeeper::checkStillOwner()
{
    if (!QGuiApplication::clipboard()->ownsClipboard())
        QCoreApplication::quit();
}
