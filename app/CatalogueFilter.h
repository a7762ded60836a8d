#pragma once

#include <QList>
#include <QSortFilterProxyModel>
#include <QStringList>

class CatalogueListModel;

// The sorted and filtered view of one catalogue list: one proxy over the
// list model. A row passes when its text or description holds every word of
// the filter, letter case and accents aside (SearchText); a built-in row
// also passes by its description in the other language. With no words,
// every row passes.
class CatalogueFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit CatalogueFilter(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;

    // The built-in rows' descriptions in the other language, by source row
    // (the built-in rows come first, in table order).
    void setOtherDescriptions(const QStringList& descriptions);

    // The words typed; blanks separate them.
    void setFilterWords(const QString& text);
    bool isFiltering() const { return !m_words.isEmpty(); }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    void appendKey(int row) const;
    void forgetKeys() const;

    CatalogueListModel* m_list = nullptr;
    QStringList m_otherDescriptions;
    QStringList m_words;
    // The folded text of every row one after another, made when a filter
    // first needs it and forgotten when the rows change or the filter ends:
    // row r is m_keys from m_starts[r] to m_starts[r + 1].
    mutable QString m_keys;
    mutable QList<qsizetype> m_starts;
};
