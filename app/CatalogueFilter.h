#pragma once

#include <QAbstractProxyModel>
#include <QList>
#include <QPersistentModelIndex>
#include <QStringList>

class CatalogueListModel;

// The sorted and filtered view of one catalogue list: one proxy over the
// list model, in the manner of QSortFilterProxyModel. A row is shown when its
// text or description holds every word of the filter, letter case and
// accents aside (SearchText); a built-in row also by its description in the
// other language. With no words every row is shown. Sorting compares the
// texts of a column letter case aside, in no locale.
//
// The rows' order is kept for the whole list, so that a new filter only
// walks it once: as the user types, nothing is sorted again, and rows that
// come back do not have to be put back one run at a time.
class CatalogueFilter : public QAbstractProxyModel
{
    Q_OBJECT
public:
    explicit CatalogueFilter(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Column -1 gives the list's own order back.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The built-in rows' descriptions in the other language, by source row
    // (the built-in rows come first, in table order).
    void setOtherDescriptions(const QStringList& descriptions);

    // The words typed; blanks separate them.
    void setFilterWords(const QString& text);
    bool isFiltering() const { return !m_words.isEmpty(); }
    // Folds every row's text now (the filter bar opens), so that the first
    // keystroke does not wait for it.
    void prepare() const;
    // Gives the folded texts back (the bar closes).
    void forgetKeys() const;

private:
    bool accepts(int sourceRow) const;
    bool before(int a, int b) const;
    void sortAll();
    void showAccepted();
    // Around a change of the shown rows: views keep their selection and
    // current entry where those are still shown.
    void beginRelayout();
    void endRelayout();
    void appendKey(int row) const;

    void insertOne(int sourceRow);
    void removeOne(int sourceRow);
    void sourceRowsInserted(int first, int last);
    void sourceRowsRemoved(int first, int last);

    CatalogueListModel* m_list = nullptr;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QList<int> m_order;    // every source row, in the sort's order
    QList<int> m_shown;    // the source rows shown, in that order
    QList<int> m_proxyRow; // by source row: its row here, or -1
    QStringList m_otherDescriptions;
    QStringList m_words;
    QModelIndexList m_savedProxy;
    QList<QPersistentModelIndex> m_savedSource;
    // The folded text of every row one after another, made when a filter
    // first needs it and forgotten when the rows change or the filter ends:
    // row r is m_keys from m_starts[r] to m_starts[r + 1].
    mutable QString m_keys;
    mutable QList<qsizetype> m_starts;
};
