#include "SettingsStore.h"

#include <QSettings>

const QString SettingsStore::Application = QStringLiteral("ZunoSmileys");
const QString SettingsStore::Configuration = QStringLiteral("Configuration");
const QString SettingsStore::LanguageKey = QStringLiteral("Langue");

namespace {

// The store of application "ZunoSmileys" ($XDG_CONFIG_HOME/ZunoSmileys/ZunoSmileys.conf).
class Store : public QSettings
{
public:
    Store()
        : QSettings(QSettings::NativeFormat, QSettings::UserScope, SettingsStore::Application,
                    SettingsStore::Application)
    {}
};

QString path(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

QString SettingsStore::read(const QString& key, const QString& defaultValue, const QString& section)
{
    const QVariant value = Store().value(path(section, key));
    return value.isValid() ? value.toString() : defaultValue;
}

bool SettingsStore::write(const QString& key, const QString& value, const QString& section)
{
    Store settings;
    settings.setValue(path(section, key), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

qint16 SettingsStore::language()
{
    return languageFromText(read(LanguageKey, QStringLiteral("1"), Configuration));
}

qint16 SettingsStore::languageFromText(const QString& stored)
{
    bool isNumber = false;
    const qlonglong code = stored.trimmed().toLongLong(&isNumber);
    if (!isNumber)
        return 1;
    return code == 1 ? 1 : 2;
}

bool SettingsStore::setLanguage(qint16 language)
{
    return write(LanguageKey, QString::number(language), Configuration);
}

QString SettingsStore::fileName()
{
    return Store().fileName();
}
