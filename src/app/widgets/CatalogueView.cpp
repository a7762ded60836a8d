#include "app/widgets/CatalogueView.h"

#include <QAbstractProxyModel>
#include <QDrag>
#include <QFocusEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyleOptionViewItem>

CatalogueView::CatalogueView(QWidget* parent)
    : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setTextElideMode(Qt::ElideRight);
    header()->setSortIndicatorShown(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(true);
}

int CatalogueView::selectedSourceRow() const
{
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    QModelIndex index = rows.first();
    if (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model()))
        index = proxy->mapToSource(index);
    return index.row();
}

void CatalogueView::mousePressEvent(QMouseEvent* event)
{
    if (!indexAt(event->position().toPoint()).isValid() && selectionModel())
        selectionModel()->clearSelection();
    QTreeView::mousePressEvent(event);
}

void CatalogueView::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    // The row the keyboard is on (the first, where there is none) is the one
    // Copy takes, and the next arrow key goes on from it rather than from an
    // unselected row.
    const bool byTab =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (!byTab || !selectionModel() || selectionModel()->hasSelection() || !model())
        return;
    QModelIndex row = currentIndex();
    if (!row.isValid() && model()->rowCount() > 0)
        row = model()->index(0, 0);
    if (row.isValid())
        selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect |
                                                   QItemSelectionModel::Rows);
}

void CatalogueView::initViewItemOption(QStyleOptionViewItem* option) const
{
    QTreeView::initViewItemOption(option);
    option->decorationSize.setWidth(2 * option->decorationSize.width());
}

void CatalogueView::startDrag(Qt::DropActions)
{
    if (!m_dragSource)
        return;
    Qt::DropActions allowed = Qt::CopyAction;
    QMimeData* mime = m_dragSource(&allowed);
    if (!mime)
        return;
    const QString text = mime->text();
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    // Whatever the target asks for, the entry is copied and stays here.
    if (drag->exec(allowed, Qt::CopyAction) != Qt::IgnoreAction)
        Q_EMIT draggedOut(text);
}
