#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>

// Serves one text on the X11 clipboard through Qt until another program
// takes the clipboard, and then ends the event loop: the process exists for
// the text alone and has no window. Whether it still serves it is the X
// server's answer, not Qt's: Qt drops a loss of the selection whose time it
// takes for older than its own, as when keepers started at once race for
// the clipboard, and would leave this process serving nothing for good.
class ClipboardKeeper : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit ClipboardKeeper(QObject* parent = nullptr);
    ~ClipboardKeeper() override;

    // Puts text on the clipboard; false when this process did not become
    // its owner.
    bool keep(const QString& text);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void checkStillOwner();
};
