#include "app/models/CatalogueListModel.h"

#include "app/assets/AppIcons.h"
#include "base/TextRules.h"
#include "lists/DuplicateRule.h"

#include <QMimeData>

#include <algorithm>
#include <utility>

CatalogueListModel::CatalogueListModel(Kind kind, QObject* parent)
    : QAbstractTableModel(parent)
    , m_kind(kind)
{}

void CatalogueListModel::setHeaders(const QString& text, const QString& description)
{
    m_headers[TextColumn] = text;
    m_headers[DescriptionColumn] = description;
    Q_EMIT headerDataChanged(Qt::Horizontal, TextColumn, DescriptionColumn);
}

void CatalogueListModel::setIcons(const QHash<QString, QIcon>& icons)
{
    m_icons = icons;
    m_markedIcons.clear();
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, TextColumn), index(rowCount() - 1, TextColumn),
                           {Qt::DecorationRole});
}

void CatalogueListModel::setFavourites(const QSet<QString>& keys, const QString& label)
{
    if (keys == m_favourites && label == m_favouriteLabel)
        return;
    m_favourites = keys;
    m_favouriteLabel = label;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, TextColumn), index(rowCount() - 1, TextColumn),
                           {Qt::DecorationRole, Qt::AccessibleDescriptionRole});
}

bool CatalogueListModel::isFavourite(int row) const
{
    return !m_favourites.isEmpty() && m_favourites.contains(DuplicateRule::bareKey(text(row)));
}

int CatalogueListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CatalogueListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CatalogueListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return (index.column() == TextColumn ? text(row) : description(row)).toString();
    case Qt::ToolTipRole: {
        // As rich text, a long entry's tip wraps instead of running across
        // the screen in one line; its text is escaped, never markup.
        const QString shown =
            (index.column() == TextColumn ? text(row) : description(row)).toString();
        return shown.size() <= ShortTipLength
                   ? shown
                   : QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>")
                         .arg(shown.toHtmlEscaped());
    }
    case Qt::DecorationRole:
        if (index.column() != TextColumn)
            return {};
        if (!m_favourites.isEmpty()) {
            // Every row of a list with favourites has the mark's place.
            const bool favourite = isFavourite(row);
            const QString key = iconKey(origin(row)) + (favourite ? u'*' : u' ');
            auto marked = m_markedIcons.constFind(key);
            if (marked == m_markedIcons.cend())
                marked = m_markedIcons.insert(
                    key, AppIcons::withMarkPlace(m_icons.value(iconKey(origin(row))), favourite));
            return *marked;
        }
        return m_icons.value(iconKey(origin(row)));
    case Qt::AccessibleDescriptionRole:
        if (index.column() == TextColumn && isFavourite(row))
            return m_favouriteLabel;
        return {};
    case TextRole:
        return text(row).toString();
    case DescriptionRole:
        return description(row).toString();
    case TagRole:
        return tagText(origin(row));
    case IconKeyRole:
        return iconKey(origin(row));
    default:
        return {};
    }
}

QVariant CatalogueListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return m_headers[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CatalogueListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return RowFlags;
}

QHash<int, QByteArray> CatalogueListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractTableModel::roleNames();
    names.insert(TextRole, "text");
    names.insert(DescriptionRole, "description");
    names.insert(TagRole, "tag");
    names.insert(IconKeyRole, "iconKey");
    return names;
}

QStringList CatalogueListModel::mimeTypes() const
{
    return {QStringLiteral("text/plain")};
}

QMimeData* CatalogueListModel::mimeData(const QModelIndexList& indexes) const
{
    for (const QModelIndex& i : indexes) {
        if (checkIndex(i, CheckIndexOption::IndexIsValid)) {
            auto* mime = new QMimeData;
            mime->setText(text(i.row()).toString());
            return mime;
        }
    }
    return nullptr;
}

Qt::DropActions CatalogueListModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

bool CatalogueListModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_rows.size())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    for (int r = row; r < row + count; ++r)
        forgetChars(m_rows.at(r));
    m_index.removeRange(row, count);
    m_rows.remove(row, count);
    compactChars();
    endRemoveRows();
    return true;
}

CatalogueListModel::Entry CatalogueListModel::entry(int row) const
{
    return {text(row).toString(), description(row).toString(), origin(row)};
}

QStringView CatalogueListModel::text(int row) const
{
    const Row& r = m_rows.at(row);
    return QStringView(m_chars).sliced(r.start, r.textLength);
}

QStringView CatalogueListModel::description(int row) const
{
    const Row& r = m_rows.at(row);
    return QStringView(m_chars).sliced(r.start + r.textLength, r.descriptionLength);
}

CatalogueListModel::Row CatalogueListModel::store(const Entry& entry)
{
    Row row;
    row.start = m_chars.size();
    row.textLength = qint32(entry.text.size());
    row.descriptionLength = quint32(entry.description.size());
    row.user = entry.origin == Origin::File;
    m_chars.append(entry.text);
    m_chars.append(entry.description);
    if (spaced(entry.text))
        ++m_spacedTexts;
    return row;
}

void CatalogueListModel::forgetChars(const Row& row)
{
    if (spaced(QStringView(m_chars).sliced(row.start, row.textLength)))
        --m_spacedTexts;
    m_unusedChars += row.textLength + qsizetype(row.descriptionLength);
}

void CatalogueListModel::compactChars()
{
    // Edits and removals leave their old texts behind; once they are most of
    // the buffer, the rows' texts are copied together again.
    if (m_unusedChars < 4096 || m_unusedChars * 2 < m_chars.size())
        return;
    QString chars;
    chars.reserve(m_chars.size() - m_unusedChars);
    for (Row& row : m_rows) {
        const qsizetype length = row.textLength + qsizetype(row.descriptionLength);
        const qsizetype start = chars.size();
        chars.append(QStringView(m_chars).sliced(row.start, length));
        row.start = start;
    }
    m_chars = std::move(chars);
    m_unusedChars = 0;
}

void CatalogueListModel::append(const Entry& entry)
{
    const int row = static_cast<int>(m_rows.size());
    if (m_bulkDepth == 0)
        beginInsertRows({}, row, row);
    m_rows.append(store(entry));
    m_index.add(row, entry.text);
    if (m_bulkDepth == 0)
        endInsertRows();
}

void CatalogueListModel::appendRun(const QList<Entry>& entries)
{
    if (entries.isEmpty())
        return;
    const int first = static_cast<int>(m_rows.size());
    if (m_bulkDepth == 0)
        beginInsertRows({}, first, first + int(entries.size()) - 1);
    // Grown by half at least: runs that follow one another (an import's
    // slices) must not move every row each time.
    const qsizetype needed = m_rows.size() + entries.size();
    if (m_rows.capacity() < needed)
        m_rows.reserve(std::max(needed, m_rows.size() + m_rows.size() / 2));
    for (const Entry& entry : entries) {
        m_index.add(m_rows.size(), entry.text);
        m_rows.append(store(entry));
    }
    if (m_bulkDepth == 0)
        endInsertRows();
}

bool CatalogueListModel::appendLoaded(const Entry& entry)
{
    // The load's test (DuplicateRule), which indexes the row it lets in.
    const int row = static_cast<int>(m_rows.size());
    if (!m_index.take(row, entry.text, textAt()))
        return false;
    if (m_bulkDepth == 0)
        beginInsertRows({}, row, row);
    m_rows.append(store(entry));
    if (m_bulkDepth == 0)
        endInsertRows();
    return true;
}

void CatalogueListModel::reserve(qsizetype rows)
{
    // About the characters of a line of the list file for each row: pages
    // of the room that no row fills are never touched.
    constexpr qsizetype CharsPerRow = 32;
    m_rows.reserve(rows);
    m_chars.reserve(rows * CharsPerRow);
    m_index.reserve(rows);
}

void CatalogueListModel::squeeze()
{
    // Only when much was left over: shrinking moves the rows and re-hashes
    // the index.
    const qsizetype rows = m_rows.size();
    if (m_rows.capacity() > rows + rows / 4 + 64)
        m_rows.squeeze();
    if (m_chars.capacity() > m_chars.size() + m_chars.size() / 4 + 1024)
        m_chars.squeeze();
    m_index.squeeze(rows);
}

void CatalogueListModel::setEntry(int row, const QString& text, const QString& description)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_index.remove(row, this->text(row));
    Row& r = m_rows[row];
    forgetChars(r);
    r = store({text, description, origin(row)});
    m_index.add(row, text);
    compactChars();
    Q_EMIT dataChanged(index(row, TextColumn), index(row, DescriptionColumn));
}

void CatalogueListModel::clear()
{
    if (m_bulkDepth == 0)
        beginResetModel();
    // Each keeps its room.
    m_rows.clear();
    m_chars.resize(0);
    m_unusedChars = 0;
    m_index.clear();
    m_spacedTexts = 0;
    if (m_bulkDepth == 0)
        endResetModel();
}

void CatalogueListModel::beginBulkLoad()
{
    if (m_bulkDepth++ == 0)
        beginResetModel();
}

void CatalogueListModel::endBulkLoad()
{
    if (m_bulkDepth > 0 && --m_bulkDepth == 0)
        endResetModel();
}

bool CatalogueListModel::containsText(const QString& text, int exceptRow) const
{
    return m_index.find(text, textAt(), exceptRow) >= 0;
}

bool CatalogueListModel::entryExists(const QString& text, int exceptRow) const
{
    return existingRow(text, exceptRow) >= 0;
}

int CatalogueListModel::existingRow(const QString& text, int exceptRow) const
{
    const bool hasExcept = exceptRow >= 0 && exceptRow < m_rows.size();
    const int except = hasExcept ? exceptRow : -1;
    // The rule is DuplicateRule's; the index answers its two common cases at
    // once. A text kept exactly meets only a row of that text as it stands.
    if (hasExcept && text == this->text(exceptRow))
        return int(m_index.find(text, textAt(), exceptRow));
    // While no text has spaces around it, the index holds every text as the
    // rule compares it: no such key, no such row.
    if (m_spacedTexts == 0 && m_index.find(TextRules::trimSpaces(text), textAt(), except) < 0)
        return -1;
    return int(DuplicateRule::findRepeat(
        text, m_rows.size(), [this](qsizetype row) { return this->text(int(row)); }, except));
}

ListImportJob::ListTexts CatalogueListModel::textSnapshot() const
{
    return {m_rows.size(), [rows = m_rows, chars = m_chars](qsizetype row) {
                const Row& at = rows.at(row);
                return QStringView(chars).sliced(at.start, at.textLength);
            }};
}

QList<CatalogueListModel::Entry> CatalogueListModel::userEntries() const
{
    QList<Entry> user;
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).user)
            user.append(entry(row));
    }
    return user;
}

int CatalogueListModel::userRow(QStringView text) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).user && this->text(row) == text)
            return row;
    }
    return -1;
}

int CatalogueListModel::firstUserRow() const
{
    const auto lastBuiltIn =
        std::find_if(m_rows.crbegin(), m_rows.crend(), [](const Row& r) { return !r.user; });
    return int(m_rows.crend() - lastBuiltIn);
}

void CatalogueListModel::replaceUserEntries(const QList<UserListFormat::Entry>& entries)
{
    // Only the user's rows change; the built-in ones before them stay.
    const int first = firstUserRow();
    const QList<UserListFormat::Entry>& kept = entries;

    const auto same = [this](int row, const UserListFormat::Entry& b) {
        return m_rows.at(row).user && text(row) == b.text && description(row) == b.description;
    };
    const int oldCount = int(m_rows.size()) - first;
    const int newCount = int(kept.size());
    int prefix = 0;
    while (prefix < oldCount && prefix < newCount && same(first + prefix, kept.at(prefix)))
        ++prefix;
    int suffix = 0;
    while (suffix < oldCount - prefix && suffix < newCount - prefix &&
           same(first + oldCount - 1 - suffix, kept.at(newCount - 1 - suffix)))
        ++suffix;
    if (oldCount - prefix - suffix > 0)
        removeRows(first + prefix, oldCount - prefix - suffix);
    const int insertCount = newCount - prefix - suffix;
    if (insertCount <= 0)
        return;
    const int at = first + prefix;
    beginInsertRows({}, at, at + insertCount - 1);
    // Appended, then turned into place: the rows after them move once.
    m_index.openRange(at, insertCount);
    const qsizetype end = m_rows.size();
    m_rows.reserve(end + insertCount);
    for (int i = prefix; i < prefix + insertCount; ++i)
        m_rows.append(store({kept.at(i).text, kept.at(i).description, Origin::File}));
    std::rotate(m_rows.begin() + at, m_rows.begin() + end, m_rows.end());
    for (int row = at; row < at + insertCount; ++row)
        m_index.add(row, text(row));
    endInsertRows();
}

QString CatalogueListModel::tagText(Origin origin)
{
    return origin == Origin::File ? QStringLiteral("File") : QStringLiteral("Table");
}

QString CatalogueListModel::iconKey(Origin origin) const
{
    QString key = m_kind == Kind::Smileys ? QStringLiteral("Smiley") : QStringLiteral("Acronym");
    if (origin == Origin::File)
        key += QLatin1Char('2');
    return key;
}

bool CatalogueListModel::spaced(QStringView text)
{
    return DuplicateRule::isSpaced(text);
}

DuplicateIndex::TextAt CatalogueListModel::textAt() const
{
    return [this](qsizetype row) { return text(int(row)); };
}
