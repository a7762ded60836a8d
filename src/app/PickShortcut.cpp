#include "app/PickShortcut.h"

#include "app/settings/SettingsStore.h"
#include "base/InstallLayout.h"
#include "desktop/portal/GlobalShortcut.h"

#include <QDBusConnection>

namespace {

using Earlier = GlobalShortcut::Earlier;

Earlier storedAnswer()
{
    const QString stored =
        SettingsStore::read(SettingsStore::PickShortcutKey, QString(), SettingsStore::Configuration)
            .trimmed();
    if (stored == QLatin1String("1"))
        return Earlier::Kept;
    if (stored == QLatin1String("2"))
        return Earlier::Declined;
    return Earlier::NotAsked;
}

// The desktop entry's name of the pick action, in the interface language.
QString description()
{
    return SettingsStore::language() == 1 ? QStringLiteral("Choisir une entrée à insérer")
                                          : QStringLiteral("Pick an Entry to Insert");
}

// The key the README suggests on the desktop (XDG_CURRENT_DESKTOP), in the
// portal's syntax: Super+Alt+; on GNOME, where Super+; is IBus's emoji
// picker; Super+;, the key Plasma's entry binds, elsewhere.
QString preferredTrigger()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                   .split(QLatin1Char(':'))
                   .contains(QLatin1String("GNOME"), Qt::CaseInsensitive)
               ? QStringLiteral("LOGO+ALT+semicolon")
               : QStringLiteral("LOGO+semicolon");
}

} // namespace

void PickShortcut::bind()
{
    // Plasma (5 and 6) registers the desktop entry's own key (X-KDE-Shortcuts),
    // which starts the program too; a second one for the same key would get
    // none.
    if (!qEnvironmentVariableIsEmpty("KDE_SESSION_VERSION"))
        return;
    // The connection lives as long as the shortcut holds it.
    const QString name = QStringLiteral("zuno-pick-shortcut");
    const QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    QDBusConnection::disconnectFromBus(name);
    auto* shortcut =
        new GlobalShortcut(bus, QStringLiteral("pick"), description(), preferredTrigger(), this);
    shortcut->setApplicationId(QLatin1String(InstallLayout::DesktopApplicationId));
    connect(shortcut, &GlobalShortcut::activated, this, &PickShortcut::pressed);
    const Earlier earlier = storedAnswer();
    connect(shortcut, &GlobalShortcut::settled, this, [earlier](Earlier answer) {
        // A store that cannot be written asks again at the next start.
        if (answer != earlier)
            SettingsStore::write(SettingsStore::PickShortcutKey,
                                 answer == Earlier::Kept ? QStringLiteral("1")
                                                         : QStringLiteral("2"),
                                 SettingsStore::Configuration);
    });
    shortcut->bind(earlier);
}
