#pragma once

#include "desktop/portal/GlobalShortcut.h"

#include <QObject>
#include <QString>

// The pick's default key where the desktop portal binds one for the program
// (GNOME 48, Plasma 6; Plasma 5 has the desktop entry's key and is left
// alone): the key the README suggests for the desktop, asked for at the
// first start that finds the portal's global shortcuts, bound again at each
// later start so that the running program hears it, and never asked for
// again once the user declined it. What the user answered is kept in the
// settings store (SettingsStore::PickShortcutKey: 1 kept, 2 declined,
// anything else not asked yet).
class PickShortcut : public QObject
{
    Q_OBJECT

public:
    explicit PickShortcut(QObject* parent = nullptr);

    // Asks the session bus's portal; pressed() follows each press of the key.
    void bind();

Q_SIGNALS:
    void pressed(const QString& activationToken);

private:
    GlobalShortcut m_shortcut;
};
