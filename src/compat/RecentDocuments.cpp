#include "compat/RecentDocuments.h"

#include "base/RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const QString bookmarkNs = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString mimeNs = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");
const QString metadataOwner = QStringLiteral("http://freedesktop.org");

struct Entry
{
    QUrl url;
    QString href;
    QString mimeType;
    QString applicationName;
    QString applicationExec;
    QString now;
};

void writeApplication(QXmlStreamWriter& w, const Entry& e, int count)
{
    w.writeEmptyElement(bookmarkNs, QStringLiteral("application"));
    w.writeAttribute(QStringLiteral("name"), e.applicationName);
    w.writeAttribute(QStringLiteral("exec"), e.applicationExec);
    w.writeAttribute(QStringLiteral("modified"), e.now);
    w.writeAttribute(QStringLiteral("count"), QString::number(count));
}

void writeApplications(QXmlStreamWriter& w, const Entry& e)
{
    w.writeStartElement(bookmarkNs, QStringLiteral("applications"));
    writeApplication(w, e, 1);
    w.writeEndElement();
}

void writeMetadata(QXmlStreamWriter& w, const Entry& e)
{
    w.writeStartElement(QStringLiteral("metadata"));
    w.writeAttribute(QStringLiteral("owner"), metadataOwner);
    w.writeEmptyElement(mimeNs, QStringLiteral("mime-type"));
    w.writeAttribute(QStringLiteral("type"), e.mimeType);
    writeApplications(w, e);
    w.writeEndElement();
}

void writeInfo(QXmlStreamWriter& w, const Entry& e)
{
    w.writeStartElement(QStringLiteral("info"));
    writeMetadata(w, e);
    w.writeEndElement();
}

void writeNewBookmark(QXmlStreamWriter& w, const Entry& e)
{
    w.writeCharacters(QStringLiteral("  "));
    w.writeStartElement(QStringLiteral("bookmark"));
    w.writeAttribute(QStringLiteral("href"), e.href);
    w.writeAttribute(QStringLiteral("added"), e.now);
    w.writeAttribute(QStringLiteral("modified"), e.now);
    w.writeAttribute(QStringLiteral("visited"), e.now);
    writeInfo(w, e);
    w.writeEndElement();
    w.writeCharacters(QStringLiteral("\n"));
}

QByteArray newList(const Entry& e)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    w.writeCharacters(QStringLiteral("\n"));
    w.writeStartElement(QStringLiteral("xbel"));
    w.writeNamespace(bookmarkNs, QStringLiteral("bookmark"));
    w.writeNamespace(mimeNs, QStringLiteral("mime"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    w.writeCharacters(QStringLiteral("\n"));
    writeNewBookmark(w, e);
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

// Copies the list token by token, refreshing the file's bookmark or adding it
// at the end. An empty result means the list is not a readable bookmark file.
QByteArray updatedList(const QByteArray& old, const Entry& e)
{
    QXmlStreamReader r(old);
    QByteArray out;
    QXmlStreamWriter w(&out);
    int depth = 0;
    bool found = false;           // the file already has a bookmark
    int ourBookmarkDepth = 0;     // depth of that bookmark while inside it
    bool applicationDone = false; // this program is recorded in it
    bool inOurMetadata = false;

    while (!r.atEnd()) {
        const QXmlStreamReader::TokenType token = r.readNext();
        if (token == QXmlStreamReader::Invalid)
            break;
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 1 && (r.name() != QLatin1String("xbel") || !r.namespaceUri().isEmpty()))
                return {};
            if (depth == 2 && !found && r.name() == QLatin1String("bookmark") &&
                QUrl(r.attributes().value(QLatin1String("href")).toString()) == e.url) {
                found = true;
                ourBookmarkDepth = depth;
                QXmlStreamAttributes attributes = r.attributes();
                QXmlStreamAttributes refreshed;
                for (const QXmlStreamAttribute& a : std::as_const(attributes)) {
                    if (a.namespaceUri().isEmpty() && (a.name() == QLatin1String("modified") ||
                                                       a.name() == QLatin1String("visited")))
                        continue;
                    refreshed.append(a);
                }
                refreshed.append(QStringLiteral("modified"), e.now);
                refreshed.append(QStringLiteral("visited"), e.now);
                w.writeStartElement(QStringLiteral("bookmark"));
                for (const auto& declaration : r.namespaceDeclarations())
                    w.writeNamespace(declaration.namespaceUri().toString(),
                                     declaration.prefix().toString());
                w.writeAttributes(refreshed);
                continue;
            }
            if (ourBookmarkDepth && r.name() == QLatin1String("metadata") &&
                r.attributes().value(QLatin1String("owner")) == metadataOwner)
                inOurMetadata = true;
            if (ourBookmarkDepth && !applicationDone && r.namespaceUri() == bookmarkNs &&
                r.name() == QLatin1String("application") &&
                r.attributes().value(QLatin1String("name")) == e.applicationName) {
                const int count = r.attributes().value(QLatin1String("count")).toInt();
                writeApplication(w, e, qMax(count, 0) + 1);
                r.skipCurrentElement();
                --depth;
                applicationDone = true;
                continue;
            }
            w.writeCurrentToken(r);
            if (depth == 1) {
                // Our elements need the two namespaces; declare what is missing.
                bool hasBookmark = false;
                bool hasMime = false;
                for (const auto& declaration : r.namespaceDeclarations()) {
                    hasBookmark |= declaration.namespaceUri() == bookmarkNs;
                    hasMime |= declaration.namespaceUri() == mimeNs;
                }
                if (!hasBookmark)
                    w.writeNamespace(bookmarkNs, QStringLiteral("bookmark"));
                if (!hasMime)
                    w.writeNamespace(mimeNs, QStringLiteral("mime"));
            }
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            if (ourBookmarkDepth && !applicationDone) {
                if (r.namespaceUri() == bookmarkNs && r.name() == QLatin1String("applications")) {
                    writeApplication(w, e, 1);
                    applicationDone = true;
                } else if (inOurMetadata && r.name() == QLatin1String("metadata")) {
                    writeApplications(w, e);
                    applicationDone = true;
                } else if (depth == ourBookmarkDepth + 1 && r.name() == QLatin1String("info")) {
                    writeMetadata(w, e);
                    applicationDone = true;
                } else if (depth == ourBookmarkDepth) {
                    writeInfo(w, e);
                    applicationDone = true;
                }
            }
            if (r.name() == QLatin1String("metadata"))
                inOurMetadata = false;
            if (depth == ourBookmarkDepth)
                ourBookmarkDepth = 0;
            if (depth == 1 && !found)
                writeNewBookmark(w, e);
            --depth;
        }
        w.writeCurrentToken(r);
    }
    if (r.hasError())
        return {};
    return out;
}

} // namespace

QString RecentDocuments::defaultLocation()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1String("/recently-used.xbel");
}

bool RecentDocuments::add(const QString& filePath, const QString& applicationName,
                          const QString& applicationExec, const QString& listFile)
{
    const QFileInfo file(filePath);
    Entry e;
    e.url = QUrl::fromLocalFile(file.absoluteFilePath());
    e.href = QString::fromLatin1(e.url.toEncoded());
    e.mimeType = QMimeDatabase().mimeTypeForFile(file).name();
    e.applicationName = applicationName;
    e.applicationExec = applicationExec;
    e.now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);

    QByteArray list;
    QFile existing;
    switch (RegularFile::openForReading(existing, listFile)) {
    case RegularFile::Kind::Missing:
        list = newList(e);
        break;
    case RegularFile::Kind::Regular: {
        const QByteArray old = existing.readAll();
        existing.close();
        list = old.trimmed().isEmpty() ? newList(e) : updatedList(old, e);
        if (list.isEmpty())
            return false;
        break;
    }
    default: // a folder, a pipe, a device or a socket, or unreadable: left as it is
        return false;
    }

    if (!QDir().mkpath(QFileInfo(listFile).absolutePath()))
        return false;
    QSaveFile save(listFile);
    if (!save.open(QIODevice::WriteOnly))
        return false;
    save.write(list);
    return save.commit();
}
