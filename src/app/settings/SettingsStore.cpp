#include "app/settings/SettingsStore.h"

#include "base/StoreFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

const QString SettingsStore::Application = QStringLiteral("ZunoSmileys");
const QString SettingsStore::Configuration = QStringLiteral("Configuration");
const QString SettingsStore::LanguageKey = QStringLiteral("Langue");
const QString SettingsStore::PickShortcutKey = QStringLiteral("PickShortcut");

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

// A value QSettings would decode as a typed one ("@Variant(…)", "@Rect(…)"):
// an "@" that begins a value, a list element or a continued line, or an
// escape that could spell one. The program writes none; decoding one can
// take the whole memory or end the process.
bool holdsTypedValue(const QByteArray& bytes)
{
    static const QRegularExpression typed(QStringLiteral(R"((^|[=,])[ \t]*"?@(?!@)|\\[xX0-7])"),
                                          QRegularExpression::MultilineOption);
    return typed.match(QString::fromLatin1(bytes)).hasMatch();
}

// Why the store's bytes cannot be used; empty when they can.
QString damageOf(const QByteArray& bytes)
{
    if (holdsTypedValue(bytes))
        return QStringLiteral("it holds a typed value");
    const Copy copy(bytes);
    if (!copy.isValid())
        return {};
    QSettings settings(copy.path(), QSettings::IniFormat);
    settings.allKeys();
    return settings.status() == QSettings::FormatError ? QStringLiteral("it cannot be parsed")
                                                       : QString();
}

// The store's bytes, once they are known to be usable. A store that is no
// regular file, is larger than any the program writes, or whose bytes
// cannot be used is set aside (StoreFile), so that the defaults apply and the
// next write makes a sound one.
std::optional<QByteArray> usableStore(const QString& store)
{
    return StoreFile::read(store, SettingsStore::MaxFileSize, "settings", damageOf);
}

// The value of key in section, as plain text: the program stores nothing but
// decimal numbers, and never lets a stored value be decoded as a type.
std::optional<QString> plainValue(const QByteArray& bytes, const QString& section,
                                  const QString& key)
{
    std::optional<QString> found;
    QString current;
    QByteArray text = bytes;
    if (text.startsWith("\xef\xbb\xbf"))
        text.remove(0, 3);
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            const qsizetype end = line.lastIndexOf(']');
            current = QString::fromUtf8(
                QByteArray::fromPercentEncoding(line.mid(1, end > 0 ? end - 1 : -1)));
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (current != section || equals < 0 ||
            QString::fromUtf8(QByteArray::fromPercentEncoding(line.left(equals).trimmed())) != key)
            continue;
        QByteArray value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        found = QString::fromUtf8(value);
    }
    return found;
}

} // namespace

QString SettingsStore::read(const QString& key, const QString& defaultValue, const QString& section)
{
    const std::optional<QByteArray> bytes = usableStore(fileName());
    if (!bytes)
        return defaultValue;
    return plainValue(*bytes, section, key).value_or(defaultValue);
}

AtomicFileWriter::Result SettingsStore::write(const QString& key, const QString& value,
                                              const QString& section)
{
    bool formatted = true;
    AtomicFileWriter::Result result =
        AtomicFileWriter::update(fileName(), [&](const QByteArray& present) {
            // A store that went bad since the start is left as it is: the
            // next start sets it aside.
            if (present.size() > MaxFileSize || !damageOf(present).isEmpty()) {
                formatted = false;
                return std::optional<QByteArray>();
            }
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
