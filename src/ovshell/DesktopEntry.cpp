#include "ovshell/DesktopEntry.h"

#include "ovshell/KeptFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString FilePlaceholder = QStringLiteral("%1");
const QString FileFieldCode = QStringLiteral("%f");

// A value as a desktop-entry string carries it.
QString escapedValue(const QString& value)
{
    QString result;
    result.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            result += QLatin1String("\\\\");
            break;
        case '\n':
            result += QLatin1String("\\n");
            break;
        case '\t':
            result += QLatin1String("\\t");
            break;
        case '\r':
            result += QLatin1String("\\r");
            break;
        default:
            result += c.unicode() < 0x20 ? QChar(u' ') : c;
        }
    }
    return result;
}

QString unescapedValue(const QString& value)
{
    QString result;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            result += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            result += QLatin1Char(' ');
            break;
        case 'n':
            result += QLatin1Char('\n');
            break;
        case 't':
            result += QLatin1Char('\t');
            break;
        case 'r':
            result += QLatin1Char('\r');
            break;
        default:
            result += next;
        }
    }
    return result;
}

// The words of an Exec value (already unescaped as a string): quoted words
// lose their quotes and the backslashes before `"`, `` ` ``, `$` and `\`.
QStringList execWords(const QString& exec)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size())
                word += exec.at(++i);
            else
                word += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == QLatin1Char('"'))
                quoted = true;
            else
                word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}

// The program file a command names, as a canonical path where it exists.
QString programFile(const QString& program)
{
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

// The keys of the [Desktop Entry] group, unescaped.
QHash<QString, QString> mainGroup(const QString& path)
{
    QHash<QString, QString> keys;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inGroup || line.startsWith(QLatin1Char('#')) || equals < 1)
            continue;
        keys.insert(line.left(equals).trimmed(), unescapedValue(line.mid(equals + 1).trimmed()));
    }
    return keys;
}

} // namespace

DesktopEntry DesktopEntry::fromCommandLine(const QString& commandLine, const QString& executable)
{
    DesktopEntry entry;
    QString rest = commandLine;
    if (!executable.isEmpty()) {
        // Quoted when it holds a blank, bare otherwise.
        for (const QString& written :
             {QLatin1Char('"') + executable + QLatin1Char('"'), executable}) {
            if (commandLine == written || commandLine.startsWith(written + QLatin1Char(' '))) {
                entry.program = executable;
                rest = commandLine.mid(written.size());
                break;
            }
        }
    }
    QStringList words = QProcess::splitCommand(rest);
    if (entry.program.isEmpty()) {
        if (words.isEmpty())
            return entry;
        entry.program = words.takeFirst();
    }
    bool placed = false;
    for (const QString& word : std::as_const(words)) {
        // Exec takes one file code at most; a later placeholder stays text.
        if (word == FilePlaceholder && !placed) {
            entry.arguments << FileFieldCode;
            placed = true;
        } else {
            entry.arguments << quoted(word);
        }
    }
    return entry;
}

QString DesktopEntry::quoted(const QString& word)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString text = word;
    text.replace(QLatin1Char('%'), QLatin1String("%%"));
    if (!text.isEmpty() &&
        std::none_of(text.cbegin(), text.cend(), [](QChar c) { return reserved.contains(c); }))
        return text;
    QString result = QStringLiteral("\"");
    for (const QChar c : std::as_const(text)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            result += QLatin1Char('\\');
        result += c;
    }
    return result + QLatin1Char('"');
}

bool DesktopEntry::isValidId(const QString& id)
{
    // At most 201 characters: a file name with room for ".desktop".
    const auto letter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    const auto allowed = [&](QChar c) {
        return letter(c) || (c >= u'0' && c <= u'9') || c == u'.' || c == u'_' || c == u'-';
    };
    return !id.isEmpty() && id.size() <= 201 && letter(id.front()) &&
           std::all_of(id.cbegin(), id.cend(), allowed);
}

QString DesktopEntry::exec() const
{
    return (QStringList{quoted(program)} + arguments).join(QLatin1Char(' '));
}

QByteArray DesktopEntry::content() const
{
    QString text = QLatin1String("[Desktop Entry]\n") + QString::fromLatin1(KeptFile::Marker) +
                   QLatin1String("=written by the Orvak Shell Library from the user's file-type "
                                 "registrations, and replaced when they change\n"
                                 "Type=Application\n");
    text += QLatin1String("Name=") + escapedValue(name) + QLatin1Char('\n');
    text += QLatin1String("Exec=") + escapedValue(exec()) + QLatin1Char('\n');
    if (!icon.isEmpty())
        text += QLatin1String("Icon=") + escapedValue(icon) + QLatin1Char('\n');
    text += QLatin1String("MimeType=") + mimeTypes.join(QLatin1Char(';')) + QLatin1String(";\n");
    if (noDisplay)
        text += QLatin1String("NoDisplay=true\n");
    text += QLatin1String("Terminal=false\n");
    return text.toUtf8();
}

bool DesktopEntry::isProvidedIn(const QString& dataFolder, const QString& id) const
{
    const QHash<QString, QString> keys =
        mainGroup(dataFolder + QLatin1String("/applications/") + id + QLatin1String(".desktop"));
    if (keys.value(QStringLiteral("Hidden")) == QLatin1String("true"))
        return false;
    const QStringList words = execWords(keys.value(QStringLiteral("Exec")));
    const QStringList ours = execWords(exec());
    if (words.isEmpty() || words.mid(1) != ours.mid(1) || programFile(words.first()).isEmpty() ||
        programFile(words.first()) != programFile(ours.first()))
        return false;
    const QStringList types =
        keys.value(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& type : mimeTypes) {
        if (!types.contains(type))
            return false;
    }
    return true;
}
