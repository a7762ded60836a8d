#include "CatalogueListModel.h"

#include "TextRules.h"

#include <QMimeData>

#include <algorithm>

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
    if (!m_entries.isEmpty())
        Q_EMIT dataChanged(index(0, TextColumn), index(rowCount() - 1, TextColumn),
                           {Qt::DecorationRole});
}

int CatalogueListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int CatalogueListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CatalogueListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Entry& e = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return index.column() == TextColumn ? e.text : e.description;
    case Qt::DecorationRole:
        if (index.column() == TextColumn)
            return m_icons.value(iconKey(e.origin));
        return {};
    case TextRole:
        return e.text;
    case DescriptionRole:
        return e.description;
    case TagRole:
        return tagText(e.origin);
    case IconKeyRole:
        return iconKey(e.origin);
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
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           Qt::ItemNeverHasChildren;
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
            mime->setText(m_entries.at(i.row()).text);
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
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_entries.size())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    for (int r = row; r < row + count; ++r)
        removeFromIndex(m_entries.at(r));
    m_entries.remove(row, count);
    endRemoveRows();
    return true;
}

void CatalogueListModel::append(const Entry& entry)
{
    const int row = static_cast<int>(m_entries.size());
    if (m_bulkDepth == 0)
        beginInsertRows({}, row, row);
    m_entries.append(entry);
    addToIndex(entry);
    if (m_bulkDepth == 0)
        endInsertRows();
}

bool CatalogueListModel::appendLoaded(const Entry& entry)
{
    const QStringView bare = TextRules::trimSpaces(entry.text);
    if (bare.size() != entry.text.size()) {
        // Spaces around it: the bare text is looked up, the text as it
        // stands is indexed.
        if (containsText(bare.toString()))
            return false;
        append(entry);
        return true;
    }
    int& count = m_textCounts[key(entry.text)];
    if (count > 0)
        return false;
    count = 1;
    const int row = static_cast<int>(m_entries.size());
    if (m_bulkDepth == 0)
        beginInsertRows({}, row, row);
    m_entries.append(entry);
    if (m_bulkDepth == 0)
        endInsertRows();
    return true;
}

void CatalogueListModel::reserve(qsizetype rows)
{
    m_entries.reserve(rows);
    m_textCounts.reserve(rows);
}

void CatalogueListModel::squeeze()
{
    // Only when much was left over: shrinking re-hashes the index.
    if (m_entries.capacity() > m_entries.size() + m_entries.size() / 4 + 64) {
        m_entries.squeeze();
        m_textCounts.squeeze();
    }
}

void CatalogueListModel::setEntry(int row, const QString& text, const QString& description)
{
    if (row < 0 || row >= m_entries.size())
        return;
    Entry& e = m_entries[row];
    removeFromIndex(e);
    e.text = text;
    e.description = description;
    addToIndex(e);
    Q_EMIT dataChanged(index(row, TextColumn), index(row, DescriptionColumn));
}

void CatalogueListModel::clear()
{
    if (m_bulkDepth == 0)
        beginResetModel();
    m_entries.clear(); // keeps its capacity
    const qsizetype room = m_textCounts.capacity();
    m_textCounts.clear();
    m_textCounts.reserve(room);
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
    if (exceptRow < 0 || exceptRow >= m_entries.size())
        return countsContain(m_textCounts, key(text), nullptr);
    const QString except = key(m_entries.at(exceptRow).text);
    return countsContain(m_textCounts, key(text), &except);
}

bool CatalogueListModel::entryExists(const QString& text, int exceptRow) const
{
    return existingRow(text, exceptRow) >= 0;
}

int CatalogueListModel::existingRow(const QString& text, int exceptRow) const
{
    const bool hasExcept = exceptRow >= 0 && exceptRow < m_entries.size();
    if (hasExcept && text == m_entries.at(exceptRow).text) {
        if (!containsText(text, exceptRow))
            return -1;
        const QString wanted = key(text);
        for (int row = 0; row < m_entries.size(); ++row) {
            if (row != exceptRow && key(m_entries.at(row).text) == wanted)
                return row;
        }
        return -1;
    }
    const QStringView wanted = TextRules::trimSpaces(text);
    // While no text has spaces around it, the index holds every text as the
    // rule compares it: no count, no such row.
    if (m_spacedTexts == 0) {
        const QString wantedKey = key(wanted.toString());
        const QString exceptKey = hasExcept ? key(m_entries.at(exceptRow).text) : QString();
        if (!countsContain(m_textCounts, wantedKey, hasExcept ? &exceptKey : nullptr))
            return -1;
    }
    for (int row = 0; row < m_entries.size(); ++row) {
        if (row != exceptRow &&
            TextRules::trimSpaces(m_entries.at(row).text).compare(wanted, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

QList<CatalogueListModel::Entry> CatalogueListModel::userEntries() const
{
    QList<Entry> user;
    for (const Entry& e : m_entries) {
        if (e.origin == Origin::File)
            user.append(e);
    }
    return user;
}

int CatalogueListModel::firstUserRow() const
{
    const auto lastBuiltIn = std::find_if(m_entries.crbegin(), m_entries.crend(),
                                          [](const Entry& e) { return e.origin == Origin::Table; });
    return int(m_entries.crend() - lastBuiltIn);
}

void CatalogueListModel::replaceUserEntries(const QList<UserListFormat::Entry>& entries)
{
    // Only the user's rows change; the built-in ones before them stay.
    const int first = firstUserRow();
    const QList<UserListFormat::Entry>& kept = entries;

    const auto same = [](const Entry& a, const UserListFormat::Entry& b) {
        return a.origin == Origin::File && a.text == b.text && a.description == b.description;
    };
    const int oldCount = int(m_entries.size()) - first;
    const int newCount = int(kept.size());
    int prefix = 0;
    while (prefix < oldCount && prefix < newCount &&
           same(m_entries.at(first + prefix), kept.at(prefix)))
        ++prefix;
    int suffix = 0;
    while (suffix < oldCount - prefix && suffix < newCount - prefix &&
           same(m_entries.at(first + oldCount - 1 - suffix), kept.at(newCount - 1 - suffix)))
        ++suffix;
    if (oldCount - prefix - suffix > 0)
        removeRows(first + prefix, oldCount - prefix - suffix);
    const int insertCount = newCount - prefix - suffix;
    if (insertCount <= 0)
        return;
    const int at = first + prefix;
    beginInsertRows({}, at, at + insertCount - 1);
    // Appended, then turned into place: the rows after them move once.
    const qsizetype end = m_entries.size();
    m_entries.reserve(end + insertCount);
    for (int i = prefix; i < prefix + insertCount; ++i) {
        m_entries.append({kept.at(i).text, kept.at(i).description, Origin::File});
        addToIndex(m_entries.constLast());
    }
    std::rotate(m_entries.begin() + at, m_entries.begin() + end, m_entries.end());
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

QString CatalogueListModel::key(const QString& text)
{
    return text.toCaseFolded();
}

void CatalogueListModel::addToIndex(const Entry& entry)
{
    ++m_textCounts[key(entry.text)];
    if (TextRules::trimSpaces(entry.text).size() != entry.text.size())
        ++m_spacedTexts;
}

void CatalogueListModel::removeFromIndex(const Entry& entry)
{
    auto drop = [](QHash<QString, int>& counts, const QString& k) {
        auto it = counts.find(k);
        if (it != counts.end() && --it.value() <= 0)
            counts.erase(it);
    };
    drop(m_textCounts, key(entry.text));
    if (TextRules::trimSpaces(entry.text).size() != entry.text.size())
        --m_spacedTexts;
}

bool CatalogueListModel::countsContain(const QHash<QString, int>& counts, const QString& key,
                                       const QString* exceptKey)
{
    int count = counts.value(key);
    if (exceptKey && *exceptKey == key)
        --count;
    return count > 0;
}
