#include "keeper/ClipboardKeeper.h"

#include "keeper/X11Selection.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

#if ZUNO_WITH_X11
#include <xcb/xcb.h>
#endif

namespace {
constexpr char Clipboard[] = "CLIPBOARD";
} // namespace

ClipboardKeeper::ClipboardKeeper(QObject* parent)
    : QObject(parent)
{}

ClipboardKeeper::~ClipboardKeeper()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool ClipboardKeeper::keep(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    // Before the text is set: a loss that comes at once is seen too.
    QCoreApplication::instance()->installNativeEventFilter(this);
    clipboard->setText(text, QClipboard::Clipboard);
    // Another keeper may have taken it meanwhile, or the server refused a
    // time older than the current owner's.
    if (!clipboard->ownsClipboard() || !X11Selection::ownedHere(Clipboard))
        return false;
    // Queued: the platform may report the new owner before it has dropped
    // what this process served.
    connect(clipboard, &QClipboard::dataChanged, this, &ClipboardKeeper::checkStillOwner,
            Qt::QueuedConnection);
    return true;
}

bool ClipboardKeeper::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    // The server tells the owner it lost a selection: asked again once Qt
    // has seen the event too.
#if ZUNO_WITH_X11
    if (eventType == "xcb_generic_event_t" &&
        (static_cast<xcb_generic_event_t*>(message)->response_type & 0x7f) == XCB_SELECTION_CLEAR)
        QMetaObject::invokeMethod(this, &ClipboardKeeper::checkStillOwner, Qt::QueuedConnection);
#else
    Q_UNUSED(eventType)
    Q_UNUSED(message)
#endif
    return false;
}

void ClipboardKeeper::checkStillOwner()
{
    if (!X11Selection::ownedHere(Clipboard))
        QCoreApplication::quit();
}
