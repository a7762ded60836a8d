#include "CatalogueFilter.h"

#include "CatalogueListModel.h"
#include "SearchText.h"

CatalogueFilter::CatalogueFilter(QObject* parent)
    : QSortFilterProxyModel(parent)
{}

void CatalogueFilter::setSourceModel(QAbstractItemModel* source)
{
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    m_list = qobject_cast<CatalogueListModel*>(source);
    forgetKeys();
    // Connected before the proxy's own handlers, so that the keys are right
    // when those filter the changed rows.
    if (source) {
        const auto forget = [this] { forgetKeys(); };
        connect(source, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    // Rows added at the end (a load, an Add) only add keys.
                    if (m_starts.size() == first + 1) {
                        for (int row = first; row <= last; ++row)
                            appendKey(row);
                    } else {
                        forgetKeys();
                    }
                });
        connect(source, &QAbstractItemModel::rowsRemoved, this, forget);
        connect(source, &QAbstractItemModel::dataChanged, this, forget);
        connect(source, &QAbstractItemModel::modelReset, this, forget);
        connect(source, &QAbstractItemModel::layoutChanged, this, forget);
    }
    QSortFilterProxyModel::setSourceModel(source);
}

void CatalogueFilter::setOtherDescriptions(const QStringList& descriptions)
{
    m_otherDescriptions = descriptions;
    forgetKeys();
    if (isFiltering())
        invalidateFilter();
}

void CatalogueFilter::setFilterWords(const QString& text)
{
    const QStringList words = SearchText::of(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words == m_words)
        return;
    m_words = words;
    if (m_words.isEmpty())
        forgetKeys();
    invalidateFilter();
}

bool CatalogueFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (m_words.isEmpty() || !m_list)
        return true;
    if (m_starts.isEmpty()) {
        // Made once for all rows, when a filter first asks.
        m_starts.reserve(m_list->rowCount() + 1);
        m_starts.append(0);
        for (int row = 0; row < m_list->rowCount(); ++row)
            appendKey(row);
    }
    if (sourceRow + 1 >= m_starts.size())
        return true;
    const QStringView key =
        QStringView(m_keys).sliced(m_starts[sourceRow], m_starts[sourceRow + 1] - m_starts[sourceRow]);
    for (const QString& word : m_words) {
        if (!key.contains(word))
            return false;
    }
    return true;
}

void CatalogueFilter::appendKey(int row) const
{
    if (m_starts.isEmpty())
        return; // no keys yet: they are made when a filter asks
    const CatalogueListModel::Entry& entry = m_list->entry(row);
    // A separator no word holds, so that no match spans two fields.
    static constexpr QChar Separator = QChar(0x1f);
    SearchText::append(entry.text, m_keys);
    m_keys.append(Separator);
    SearchText::append(entry.description, m_keys);
    if (entry.origin == CatalogueListModel::Origin::Table && row < m_otherDescriptions.size()) {
        m_keys.append(Separator);
        SearchText::append(m_otherDescriptions.at(row), m_keys);
    }
    m_keys.append(Separator);
    m_starts.append(m_keys.size());
}

void CatalogueFilter::forgetKeys() const
{
    m_keys = QString();
    m_starts = {};
}
