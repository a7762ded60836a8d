#pragma once

#include <QObject>
#include <QString>

// Serves one text on the clipboard through Qt until another program takes
// the clipboard, and then ends the event loop: the process exists for the
// text alone and has no window.
class ClipboardKeeper : public QObject
{
    Q_OBJECT
public:
    explicit ClipboardKeeper(QObject* parent = nullptr);

    // Puts text on the clipboard; false when this process did not become
    // its owner.
    bool keep(const QString& text);

private:
    void checkStillOwner();
};
