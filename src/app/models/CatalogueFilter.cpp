#include "app/models/CatalogueFilter.h"

#include "app/models/CatalogueListModel.h"

#include <algorithm>
#include <iterator>
#include <numeric>

CatalogueFilter::CatalogueFilter(QObject* parent)
    : QAbstractProxyModel(parent)
{}

void CatalogueFilter::setSourceModel(QAbstractItemModel* source)
{
    beginResetModel();
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(source);
    m_list = qobject_cast<CatalogueListModel*>(source);
    m_columns = source ? source->columnCount() : 0;
    forgetKeys();
    if (source) {
        connect(source, &QAbstractItemModel::modelAboutToBeReset, this,
                &CatalogueFilter::beginResetModel);
        connect(source, &QAbstractItemModel::modelReset, this, [this] {
            forgetKeys();
            sortAll();
            endResetModel();
        });
        // One row (an Add, a Remove) is one row here too; more are a new layout.
        connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    // Ranked too: a ranking costs every row, so a ranking
                    // per run makes a long import's cost grow as its square.
                    m_holding = m_holdRuns && first == m_order.size() + m_held;
                    if (m_holding)
                        return;
                    showHeldRows();
                    if (first != last || ranked())
                        beginRelayout();
                });
        connect(source, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    if (std::exchange(m_holding, false)) {
                        m_held += last - first + 1;
                        // Shown once as many as the rows in the order: the
                        // views lay out every row shown and the ranking
                        // looks at every row at each showing, so the
                        // longest showing is then of half new rows, and all
                        // of them cost twice the last.
                        if (m_held >= m_order.size())
                            showHeldRows();
                    } else if (first == last && !ranked())
                        insertOne(first);
                    else
                        sourceRowsInserted(first, last);
                });
        connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [this](const QModelIndex&, int first, int last) {
                    showHeldRows();
                    if (first != last || ranked()) {
                        beginRelayout();
                    } else if (const int row = m_proxyRow.value(first, -1); row >= 0) {
                        beginRemoveRows({}, row, row);
                    }
                });
        connect(source, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex&, int first, int last) {
                    if (first == last && !ranked())
                        removeOne(first);
                    else
                        sourceRowsRemoved(first, last);
                });
        connect(source, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight,
                       const QList<int>& roles) {
                    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole)) {
                        // Pictures and marks only: the order and the filter stay.
                        if (!m_shown.isEmpty())
                            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), roles);
                        return;
                    }
                    beginRelayout();
                    forgetKeys();
                    sortAll();
                    endRelayout();
                    Q_UNUSED(topLeft);
                    Q_UNUSED(bottomRight);
                });
        connect(source, &QAbstractItemModel::headerDataChanged, this,
                &CatalogueFilter::headerDataChanged);
    }
    sortAll();
    endResetModel();
}

QModelIndex CatalogueFilter::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= m_shown.size() || column < 0 || column >= m_columns)
        return {};
    return createIndex(row, column);
}

QModelIndex CatalogueFilter::parent(const QModelIndex&) const
{
    return {};
}

int CatalogueFilter::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int CatalogueFilter::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !sourceModel() ? 0 : sourceModel()->columnCount();
}

bool CatalogueFilter::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_shown.isEmpty();
}

Qt::ItemFlags CatalogueFilter::flags(const QModelIndex& index) const
{
    return index.isValid() && index.row() < m_shown.size() ? CatalogueListModel::RowFlags
                                                           : Qt::NoItemFlags;
}

QModelIndex CatalogueFilter::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || !sourceModel() || proxyIndex.row() >= m_shown.size())
        return {};
    return sourceModel()->index(m_shown.at(proxyIndex.row()), proxyIndex.column());
}

QModelIndex CatalogueFilter::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.row() >= m_proxyRow.size())
        return {};
    const int row = m_proxyRow.at(sourceIndex.row());
    return row < 0 ? QModelIndex() : createIndex(row, sourceIndex.column());
}

QVariant CatalogueFilter::headerData(int section, Qt::Orientation orientation, int role) const
{
    // Columns are the list's own; there are no row headers to map.
    return sourceModel() ? sourceModel()->headerData(section, orientation, role) : QVariant();
}

void CatalogueFilter::sort(int column, Qt::SortOrder order)
{
    showHeldRows();
    beginRelayout();
    m_sortColumn = column;
    m_sortOrder = order;
    sortAll();
    endRelayout();
}

void CatalogueFilter::setOtherDescriptions(const QStringList& descriptions)
{
    showHeldRows();
    m_otherDescriptions = descriptions;
    forgetKeys();
    if (isFiltering()) {
        beginRelayout();
        showAccepted();
        endRelayout();
    }
}

void CatalogueFilter::setKeywordSource(KeywordSource source)
{
    m_keywordSource = std::move(source);
    keywordsChanged();
}

void CatalogueFilter::keywordsChanged()
{
    showHeldRows();
    forgetKeys();
    if (isFiltering()) {
        beginRelayout();
        showAccepted();
        endRelayout();
    }
}

void CatalogueFilter::setFilterWords(const QString& text)
{
    showHeldRows();
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words == m_words)
        return;
    beginRelayout();
    m_words = words;
    m_typed = words.join(QLatin1Char(' '));
    showAccepted();
    endRelayout();
}

void CatalogueFilter::setPickMode(bool pick)
{
    showHeldRows();
    if (pick == m_pick)
        return;
    beginRelayout();
    m_pick = pick;
    showAccepted();
    endRelayout();
}

void CatalogueFilter::useChanged()
{
    showHeldRows();
    if (!m_indexed)
        return; // asked for when the index is made
    QSet<QString> favourites;
    QHash<QString, double> scores;
    if (m_useSource)
        m_useSource(&favourites, &scores);
    m_index.setUse(favourites, scores);
    if (ranked()) {
        beginRelayout();
        showAccepted();
        endRelayout();
    }
}

void CatalogueFilter::prepare() const
{
    if (m_indexed || !m_list)
        return;
    QList<SearchEntry> entries;
    entries.reserve(m_list->rowCount());
    for (int row = 0; row < m_list->rowCount(); ++row)
        entries.append(searchEntry(row));
    m_index.setEntries(entries);
    QSet<QString> favourites;
    QHash<QString, double> scores;
    if (m_useSource)
        m_useSource(&favourites, &scores);
    m_index.setUse(favourites, scores);
    m_index.prepare();
    m_indexed = true;
}

SearchEntry CatalogueFilter::searchEntry(int row) const
{
    const bool builtIn = m_list->origin(row) == CatalogueListModel::Origin::Table;
    SearchEntry entry =
        SearchEntry::of(m_list->text(row).toString(), m_list->description(row).toString(),
                        m_otherDescriptions.value(row), builtIn);
    if (m_keywordSource)
        entry.keywords = m_keywordSource(entry.text, builtIn);
    return entry;
}

bool CatalogueFilter::before(int a, int b) const
{
    const int x = m_sortOrder == Qt::AscendingOrder ? a : b;
    const int y = m_sortOrder == Qt::AscendingOrder ? b : a;
    if (m_sortColumn == CatalogueListModel::TextColumn)
        return m_list->text(x).compare(m_list->text(y), Qt::CaseInsensitive) < 0;
    return m_list->description(x).compare(m_list->description(y), Qt::CaseInsensitive) < 0;
}

void CatalogueFilter::showHeldRows()
{
    if (m_held == 0)
        return;
    const int first = int(m_order.size());
    const int last = first + std::exchange(m_held, 0) - 1;
    beginRelayout();
    sourceRowsInserted(first, last);
}

void CatalogueFilter::sortAll()
{
    // Every row of the list, the held ones too.
    m_held = 0;
    const int rows = sourceModel() ? sourceModel()->rowCount() : 0;
    m_order.resize(rows);
    std::iota(m_order.begin(), m_order.end(), 0);
    if (m_list && m_sortColumn >= 0 && m_sortColumn < columnCount())
        std::stable_sort(m_order.begin(), m_order.end(),
                         [this](int a, int b) { return before(a, b); });
    showAccepted();
}

void CatalogueFilter::showAccepted()
{
    m_proxyRow.fill(-1, m_order.size());
    if (ranked() && m_list) {
        prepare();
        m_shown = m_words.isEmpty() ? m_index.pickOrder() : m_index.rank(m_typed);
    } else {
        m_shown = m_order;
    }
    for (qsizetype i = 0; i < m_shown.size(); ++i)
        m_proxyRow[m_shown.at(i)] = int(i);
    if (m_shown.capacity() > m_shown.size() * 2 + 1024)
        m_shown.squeeze();
}

void CatalogueFilter::beginRelayout()
{
    Q_EMIT layoutAboutToBeChanged();
    m_savedProxy = persistentIndexList();
    m_savedSource.clear();
    for (const QModelIndex& proxy : std::as_const(m_savedProxy))
        m_savedSource.append(QPersistentModelIndex(mapToSource(proxy)));
}

void CatalogueFilter::endRelayout()
{
    QModelIndexList now;
    now.reserve(m_savedSource.size());
    for (const QPersistentModelIndex& source : std::as_const(m_savedSource))
        now.append(mapFromSource(source));
    changePersistentIndexList(m_savedProxy, now);
    m_savedProxy.clear();
    m_savedSource.clear();
    Q_EMIT layoutChanged();
}

void CatalogueFilter::sourceRowsInserted(int first, int last)
{
    const int count = last - first + 1;
    // Rows added at the end (a load, an Add) only add to the index.
    if (m_indexed && m_index.size() == first) {
        for (int row = first; row <= last; ++row)
            m_index.appendEntry(searchEntry(row));
    } else {
        forgetKeys();
    }
    for (int& row : m_order) {
        if (row >= first)
            row += count;
    }
    // The new rows in their order, merged into the order in one pass: a run
    // of an import costs its own sort, not a move of the whole order per row.
    // A new row goes after the rows it ties with, as those came first.
    QList<int> added(count);
    std::iota(added.begin(), added.end(), first);
    QList<int> order;
    order.reserve(m_order.size() + count);
    if (m_sortColumn < 0) {
        std::merge(m_order.cbegin(), m_order.cend(), added.cbegin(), added.cend(),
                   std::back_inserter(order));
    } else {
        const auto less = [this](int a, int b) { return before(a, b); };
        std::stable_sort(added.begin(), added.end(), less);
        std::merge(m_order.cbegin(), m_order.cend(), added.cbegin(), added.cend(),
                   std::back_inserter(order), less);
    }
    m_order = std::move(order);
    showAccepted();
    endRelayout();
}

void CatalogueFilter::insertOne(int sourceRow)
{
    // Not ranked: no index is needed until a filter asks.
    forgetKeys();
    for (int& row : m_order) {
        if (row >= sourceRow)
            ++row;
    }
    for (int& row : m_shown) {
        if (row >= sourceRow)
            ++row;
    }
    m_proxyRow.insert(sourceRow, -1);
    const auto at = m_sortColumn < 0
                        ? std::lower_bound(m_order.begin(), m_order.end(), sourceRow)
                        : std::upper_bound(m_order.begin(), m_order.end(), sourceRow,
                                           [this](int a, int b) { return before(a, b); });
    const qsizetype place = at - m_order.begin();
    m_order.insert(place, sourceRow);
    // Before the next shown row in the order, or last.
    int row = int(m_shown.size());
    for (qsizetype i = place + 1; i < m_order.size(); ++i) {
        if (m_proxyRow.at(m_order.at(i)) >= 0) {
            row = m_proxyRow.at(m_order.at(i));
            break;
        }
    }
    beginInsertRows({}, row, row);
    m_shown.insert(row, sourceRow);
    for (qsizetype i = row; i < m_shown.size(); ++i)
        m_proxyRow[m_shown.at(i)] = int(i);
    endInsertRows();
}

void CatalogueFilter::removeOne(int sourceRow)
{
    forgetKeys();
    const int row = m_proxyRow.value(sourceRow, -1);
    m_order.removeOne(sourceRow);
    for (int& each : m_order) {
        if (each > sourceRow)
            --each;
    }
    m_proxyRow.remove(sourceRow);
    if (row >= 0)
        m_shown.remove(row);
    for (qsizetype i = 0; i < m_shown.size(); ++i) {
        if (m_shown.at(i) > sourceRow)
            --m_shown[i];
        if (i >= row)
            m_proxyRow[m_shown.at(i)] = int(i);
    }
    if (row >= 0)
        endRemoveRows();
}

void CatalogueFilter::sourceRowsRemoved(int first, int last)
{
    const int count = last - first + 1;
    if (m_indexed && count == 1 && first < m_index.size())
        m_index.removeEntry(first);
    else
        forgetKeys();
    m_order.removeIf([first, last](int row) { return row >= first && row <= last; });
    for (int& row : m_order) {
        if (row > last)
            row -= count;
    }
    showAccepted();
    endRelayout();
}

void CatalogueFilter::forgetKeys() const
{
    if (!m_indexed)
        return;
    m_index.setEntries({});
    m_indexed = false;
}
