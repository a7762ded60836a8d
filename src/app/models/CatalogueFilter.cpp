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
                        if (m_held == 0) {
                            // Words rank: each run ranks alone now, and the
                            // showing merges them.
                            m_runsRanked = !m_words.isEmpty() && m_indexed;
                            m_heldRanking = {};
                        }
                        m_held += last - first + 1;
                        if (m_runsRanked)
                            rankRun(first, last);
                        // Shown once as many as the rows in the order: the
                        // views lay out every row shown at each showing, so
                        // the longest showing is then of half new rows, and
                        // all of them cost twice the last.
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
    for (const Segment& segment : m_segments)
        segment.index->setUse(favourites, scores);
    m_favourites = std::move(favourites);
    m_scores = std::move(scores);
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
    m_favourites = std::move(favourites);
    m_scores = std::move(scores);
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
    if (std::exchange(m_runsRanked, false) && m_indexed && indexedRows() == last + 1 &&
        !m_words.isEmpty()) {
        // Made now, while small, rather than at the next keystroke.
        if (!m_segments.empty())
            m_segments.back().index->prepare();
        addToOrder(first, last);
        showRankedRuns();
        endRelayout();
    } else {
        sourceRowsInserted(first, last);
    }
}

bool CatalogueFilter::usedBefore(const SearchHit& a, const SearchHit& b)
{
    if (SearchUse::before(a.use, b.use))
        return true;
    return !SearchUse::before(b.use, a.use) && a.row < b.row;
}

void CatalogueFilter::addHits(Ranking& ranking, const QList<SearchHit>& hits)
{
    for (const SearchHit& hit : hits) {
        ClassRows& rows = ranking[std::size_t(hit.match)];
        if (hit.use.favourite || hit.use.score > 0)
            rows.used.append(hit);
        else
            rows.others.append(hit.row);
    }
}

void CatalogueFilter::rankRun(int first, int last)
{
    // The index gone or out of step (made again meanwhile): ranked afresh
    // when shown.
    if (!m_indexed || indexedRows() != first) {
        m_runsRanked = false;
        return;
    }
    QList<SearchEntry> entries;
    entries.reserve(last - first + 1);
    for (int row = first; row <= last; ++row)
        entries.append(searchEntry(row));
    // A row's class and use are its own: the run ranks as it would among all.
    auto run = std::make_unique<SearchIndex>();
    run->setEntries(entries);
    run->setUse(m_favourites, m_scores);
    QList<SearchHit> hits = run->hits(m_typed);
    for (SearchHit& hit : hits)
        hit.row += first;
    addHits(m_heldRanking, hits);
    // Kept for the queries to come: a long run as its own segment, short
    // ones gathered into one until it is long.
    if (!m_segments.empty() && m_segments.back().index->size() < SegmentRows &&
        entries.size() < SegmentRows) {
        for (const SearchEntry& entry : std::as_const(entries))
            m_segments.back().index->appendEntry(entry);
        return;
    }
    if (!m_segments.empty())
        m_segments.back().index->prepare();
    m_segments.push_back({first, std::move(run)});
}

int CatalogueFilter::indexedRows() const
{
    return m_segments.empty() ? m_index.size()
                              : m_segments.back().first + m_segments.back().index->size();
}

void CatalogueFilter::showRankedRuns()
{
    // The held rows come after every row shown: within a class, the others
    // follow in list order, and the used ones merge by their use.
    for (std::size_t c = 0; c < m_ranking.size(); ++c) {
        ClassRows& shown = m_ranking[c];
        const ClassRows& held = m_heldRanking[c];
        if (!held.used.isEmpty()) {
            QList<SearchHit> used;
            used.reserve(shown.used.size() + held.used.size());
            std::merge(shown.used.cbegin(), shown.used.cend(), held.used.cbegin(), held.used.cend(),
                       std::back_inserter(used), usedBefore);
            shown.used = std::move(used);
        }
        shown.others.append(held.others);
    }
    m_heldRanking = {};
    showRanking();
}

void CatalogueFilter::showRanking()
{
    qsizetype rows = 0;
    for (const ClassRows& each : m_ranking)
        rows += each.used.size() + each.others.size();
    m_shown.clear();
    m_shown.reserve(rows);
    for (const ClassRows& each : m_ranking) {
        for (const SearchHit& hit : each.used)
            m_shown.append(hit.row);
        m_shown.append(each.others);
    }
    showShown();
}

void CatalogueFilter::showShown()
{
    m_proxyRow.fill(-1, m_order.size());
    for (qsizetype i = 0; i < m_shown.size(); ++i)
        m_proxyRow[m_shown.at(i)] = int(i);
    if (m_shown.capacity() > m_shown.size() * 2 + 1024)
        m_shown.squeeze();
}

void CatalogueFilter::sortAll()
{
    // Every row of the list, the held ones too.
    m_held = 0;
    m_runsRanked = false;
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
    m_ranking = {};
    if (ranked() && m_list && !m_words.isEmpty()) {
        prepare();
        addHits(m_ranking, m_index.hits(m_typed));
        for (const Segment& segment : m_segments) {
            QList<SearchHit> hits = segment.index->hits(m_typed);
            for (SearchHit& hit : hits)
                hit.row += segment.first;
            addHits(m_ranking, hits);
        }
        // The others follow in list order, segment after segment; the used
        // rows of several segments are ordered by their use again.
        if (!m_segments.empty()) {
            for (ClassRows& rows : m_ranking)
                std::stable_sort(rows.used.begin(), rows.used.end(), usedBefore);
        }
        showRanking();
        return;
    }
    if (ranked() && m_list) {
        // The pick's order wants the use of every row at once.
        if (!m_segments.empty())
            forgetKeys();
        prepare();
        m_shown = m_index.pickOrder();
    } else {
        m_shown = m_order;
    }
    showShown();
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
    // Rows added at the end (a load, an Add) only add to the index.
    if (m_indexed && indexedRows() == first) {
        SearchIndex& into = m_segments.empty() ? m_index : *m_segments.back().index;
        for (int row = first; row <= last; ++row)
            into.appendEntry(searchEntry(row));
    } else {
        forgetKeys();
    }
    addToOrder(first, last);
    showAccepted();
    endRelayout();
}

void CatalogueFilter::addToOrder(int first, int last)
{
    const int count = last - first + 1;
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
    if (m_indexed && count == 1 && first < m_index.size() && m_segments.empty())
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
    m_segments.clear();
    if (!m_indexed)
        return;
    m_index.setEntries({});
    m_indexed = false;
}
