#include "SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

const QString SettingsStore::Application = QStringLiteral("ZunoSmileys");
const QString SettingsStore::Configuration = QStringLiteral("Configuration");
const QString SettingsStore::LanguageKey = QStringLiteral("Langue");

namespace {

QString path(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

// QSettings never opens the store itself: it would block on a named pipe
// and replace a link to a device by a file. It reads and writes a private
// copy of the store's bytes; AtomicFileWriter reads and replaces the store.
class Copy
{
public:
    explicit Copy(const QByteArray& bytes)
    {
        QFile file(m_path);
        m_valid =
            m_dir.isValid() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    bool isValid() const { return m_valid; }
    QString path() const { return m_path; }
    QByteArray bytes() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("settings.conf"));
    bool m_valid = false;
};

} // namespace

QString SettingsStore::read(const QString& key, const QString& defaultValue, const QString& section)
{
    QByteArray bytes;
    if (!AtomicFileWriter::read(fileName(), &bytes))
        return defaultValue;
    const Copy copy(bytes);
    const QVariant value =
        copy.isValid() ? QSettings(copy.path(), QSettings::IniFormat).value(path(section, key))
                       : QVariant();
    return value.isValid() ? value.toString() : defaultValue;
}

AtomicFileWriter::Result SettingsStore::write(const QString& key, const QString& value,
                                              const QString& section)
{
    bool formatted = true;
    AtomicFileWriter::Result result =
        AtomicFileWriter::update(fileName(), [&](const QByteArray& present) {
            const Copy copy(present);
            QSettings settings(copy.path(), QSettings::IniFormat);
            settings.setValue(path(section, key), value);
            settings.sync();
            formatted = copy.isValid() && settings.status() == QSettings::NoError;
            return formatted ? std::optional<QByteArray>(copy.bytes()) : std::nullopt;
        });
    // A store QSettings cannot take apart is left as it is.
    if (result && !formatted)
        result.failure = AtomicFileWriter::Failure::Other;
    return result;
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

AtomicFileWriter::Result SettingsStore::setLanguage(qint16 language)
{
    return write(LanguageKey, QString::number(language), Configuration);
}

QString SettingsStore::fileName()
{
    // Where QSettings keeps application "ZunoSmileys" for the user, found
    // without opening it.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + Application + QLatin1Char('/') + Application +
           QStringLiteral(".conf");
}
