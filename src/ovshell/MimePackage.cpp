#include "ovshell/MimePackage.h"

#include "ovshell/KeptFile.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

namespace {

const QString MimeNamespace =
    QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");
const QString Parent = QStringLiteral("text/plain");

// The characters that update-mime-database and every reader accept in a
// subtype (tested by hand: a pattern's compilation costs more than the
// whole registration's other tests); a subtype is at most 127 characters.
constexpr qsizetype MaxSubtypeLength = 127;

bool isLowerAlphanumeric(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

bool isSubtypeCharacter(QChar c)
{
    return isLowerAlphanumeric(c) || c == u'.' || c == u'+' || c == u'_' || c == u'-';
}

// The description without the control characters XML cannot carry.
QString printable(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    return result;
}

// Characters that would make a glob match more than the extension, or break
// the database's glob list, whose fields are separated by ":".
const QString GlobBreakers = QStringLiteral("*?[]:/");

bool breaksGlob(QChar c)
{
    return GlobBreakers.contains(c);
}

} // namespace

QString MimePackage::typeForClass(const QString& className)
{
    const QString name = className.toLower();
    if (name.isEmpty() || name.size() > MaxSubtypeLength - 2 ||
        !isLowerAlphanumeric(name.front()) ||
        !std::all_of(name.cbegin(), name.cend(), isSubtypeCharacter))
        return {};
    return QLatin1String("application/x-") + name;
}

QString MimePackage::globForExtension(const QString& extensionKey)
{
    const QString suffix = extensionKey.mid(1);
    if (!extensionKey.startsWith(QLatin1Char('.')) || suffix.isEmpty() ||
        std::any_of(suffix.cbegin(), suffix.cend(), breaksGlob))
        return {};
    return QLatin1String("*.") + suffix;
}

QString MimePackage::iconName(const QString& type)
{
    QString name = type;
    return name.replace(QLatin1Char('/'), QLatin1Char('-'));
}

QString MimePackage::fileName() const
{
    return iconName(type) + QLatin1String(".xml");
}

QByteArray MimePackage::content() const
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeComment(QLatin1Char(' ') + QString::fromLatin1(KeptFile::Marker) +
                     QLatin1String(": written by the Orvak Shell Library from the user's "
                                   "file-type registrations, and replaced when they change "));
    xml.writeDefaultNamespace(MimeNamespace);
    xml.writeStartElement(MimeNamespace, QStringLiteral("mime-info"));
    xml.writeStartElement(MimeNamespace, QStringLiteral("mime-type"));
    xml.writeAttribute(QStringLiteral("type"), type);
    if (!comment.isEmpty())
        xml.writeTextElement(MimeNamespace, QStringLiteral("comment"), printable(comment));
    xml.writeEmptyElement(MimeNamespace, QStringLiteral("sub-class-of"));
    xml.writeAttribute(QStringLiteral("type"), Parent);
    xml.writeEmptyElement(MimeNamespace, QStringLiteral("icon"));
    xml.writeAttribute(QStringLiteral("name"), iconName(type));
    for (const QString& glob : globs) {
        xml.writeEmptyElement(MimeNamespace, QStringLiteral("glob"));
        xml.writeAttribute(QStringLiteral("pattern"), glob);
    }
    xml.writeEndDocument();
    return bytes;
}

bool MimePackage::isDefinedIn(const QString& dataFolder) const
{
    // update-mime-database leaves one file per type with its whole definition.
    QFile file(dataFolder + QLatin1String("/mime/") + type + QLatin1String(".xml"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    QString definedComment;
    QStringList definedGlobs;
    bool plainText = false;
    bool sameType = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        const auto attributes = xml.attributes();
        if (name == QLatin1String("mime-type")) {
            sameType = attributes.value(QLatin1String("type")) == type;
        } else if (name == QLatin1String("comment") &&
                   !attributes.hasAttribute(QLatin1String("xml:lang"))) {
            definedComment = xml.readElementText();
        } else if (name == QLatin1String("glob")) {
            definedGlobs << attributes.value(QLatin1String("pattern")).toString().toLower();
        } else if (name == QLatin1String("sub-class-of")) {
            plainText = plainText || attributes.value(QLatin1String("type")) == Parent;
        }
    }
    if (xml.hasError() || !sameType || !plainText ||
        (!comment.isEmpty() && definedComment != printable(comment)))
        return false;
    for (const QString& glob : globs) {
        if (!definedGlobs.contains(glob.toLower()))
            return false;
    }
    return true;
}
