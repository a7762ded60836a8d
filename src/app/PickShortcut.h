#pragma once

#include <QObject>
#include <QString>

// The pick's default key where the desktop portal binds one for the program
// (GNOME 48, and other desktops whose portal binds keys; Plasma 5 and 6
// register the desktop entry's key and are left alone): the key the README suggests for the
// desktop, asked for at the first start that finds the portal's global shortcuts, bound again at
// each later start so that the running program hears it, and never asked for again once the user
// declined it. What the user answered is kept in the settings store
// (SettingsStore::PickShortcutKey: 1 kept, 2 declined, anything else not asked yet).
class PickShortcut : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Asks the portal, on a session bus connection of its own where the
    // program names itself first; pressed() follows each press of the key.
    // Once, from the event loop: the connection is made then.
    void bind();

Q_SIGNALS:
    void pressed(const QString& activationToken);
};
