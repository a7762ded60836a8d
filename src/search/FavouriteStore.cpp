#include "search/FavouriteStore.h"

#include "search/StoreContent.h"

#include "base/StoreFile.h"
#include "base/TextRules.h"

#include <QDir>
#include <QJsonArray>

#include <algorithm>

namespace {

constexpr const char* What = "favourites";
// The user's marks are theirs alone to read.
constexpr AtomicFileWriter::CreationMode FileMode = AtomicFileWriter::PrivateFile;

int slot(ListKind list)
{
    return list == ListKind::Smiley ? 0 : 1;
}

constexpr ListKind Lists[] = {ListKind::Smiley, ListKind::Acronym};

} // namespace

// One change as it is applied to the file's content: mark (with the text),
// unmark, or move a mark to a new text.
struct FavouriteStore::Change
{
    enum Kind { Mark, Unmark, Rename } kind;
    ListKind list;
    QString text;
    QString newText;

    // Applies the change to the marked texts of a list, in the file's order.
    void applyTo(QJsonArray& marks) const
    {
        const QString key = EntryKey::of(text);
        const QString newKey = EntryKey::of(newText);
        bool had = false;
        bool hasNew = false;
        for (qsizetype i = marks.size() - 1; i >= 0; --i) {
            if (!marks.at(i).isString())
                continue;
            const QString itsKey = EntryKey::of(marks.at(i).toString());
            if (itsKey == key) {
                had = true;
                if (kind != Mark)
                    marks.removeAt(i);
            } else if (kind == Rename && itsKey == newKey) {
                hasNew = true;
            }
        }
        const QStringView trimmed = TextRules::trimSpaces(kind == Rename ? newText : text);
        if ((kind == Mark && !had) || (kind == Rename && had && !hasNew))
            marks.append(trimmed.toString());
    }
};

QString FavouriteStore::pathIn(const QString& listFolder)
{
    return QDir(listFolder).filePath(QLatin1String(FileName));
}

FavouriteStore::FavouriteStore(const QString& path, QObject* parent)
    : FavouriteStore(path, Access::ReadWrite, parent)
{}

FavouriteStore::FavouriteStore(const QString& path, Access access, QObject* parent)
    : QObject(parent)
    , m_path(path)
    , m_access(access)
{
    reload();
}

FavouriteStore::~FavouriteStore() = default;

void FavouriteStore::reload()
{
    takeMarks(m_access == Access::ReadOnly ? StoreContent::loadReadOnly(m_path, MaxFileSize)
                                           : StoreContent::load(m_path, MaxFileSize, What));
    for (const Change& change : m_unwritten)
        applyHere(change);
    Q_EMIT changed();
}

void FavouriteStore::takeMarks(const StoreContent& content)
{
    for (const ListKind list : Lists) {
        QHash<QString, QString>& marks = m_marks[slot(list)];
        marks.clear();
        const QString name = EntryKey::listName(list);
        marks.reserve(content.sizeOf(name));
        content.forEachString(name, [&marks](QString&& text) {
            QString key = EntryKey::of(text);
            marks.insert(std::move(key), std::move(text));
        });
    }
}

bool FavouriteStore::isFavourite(ListKind list, QStringView text) const
{
    return m_marks[slot(list)].contains(EntryKey::of(text));
}

QSet<QString> FavouriteStore::keys(ListKind list) const
{
    const QHash<QString, QString>& marks = m_marks[slot(list)];
    return QSet<QString>(marks.keyBegin(), marks.keyEnd());
}

AtomicFileWriter::Result FavouriteStore::mark(ListKind list, const QString& text)
{
    return apply({Change::Mark, list, text, {}});
}

AtomicFileWriter::Result FavouriteStore::unmark(ListKind list, const QString& text)
{
    return apply({Change::Unmark, list, text, {}});
}

AtomicFileWriter::Result FavouriteStore::setFavourite(ListKind list, const QString& text,
                                                      bool favourite)
{
    return favourite ? mark(list, text) : unmark(list, text);
}

AtomicFileWriter::Result FavouriteStore::rename(ListKind list, const QString& oldText,
                                                const QString& newText)
{
    return apply({Change::Rename, list, oldText, newText});
}

AtomicFileWriter::Result FavouriteStore::forget(ListKind list, const QString& text)
{
    return unmark(list, text);
}

AtomicFileWriter::Result FavouriteStore::apply(const Change& change)
{
    std::optional<QJsonObject> written;
    const AtomicFileWriter::Result result = m_unwritten.write(
        {m_path, MaxFileSize, What, FileMode}, change,
        [](QJsonObject& object, const Change& each) {
            const QString name = EntryKey::listName(each.list);
            QJsonArray marks = object.value(name).toArray();
            each.applyTo(marks);
            object.insert(name, marks);
        },
        &written);
    // Not written: the change holds for this run all the same.
    if (written)
        takeMarks(*written);
    else
        applyHere(change);
    Q_EMIT changed();
    return result;
}

void FavouriteStore::applyHere(const Change& change)
{
    QJsonObject object;
    for (const ListKind list : Lists) {
        QJsonArray marks;
        for (const QString& text : std::as_const(m_marks[slot(list)]))
            marks.append(text);
        if (list == change.list)
            change.applyTo(marks);
        object.insert(EntryKey::listName(list), marks);
    }
    takeMarks(object);
}
