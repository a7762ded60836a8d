#include "app/widgets/ModCommonCtrls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>

namespace ModCommonCtrls {

namespace {

constexpr qint32 AcceptedStyles =
    LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_TRACKSELECT | LVS_EX_HEADERDRAGDROP |
    LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE | LVS_EX_TWOCLICKACTIVATE | LVS_EX_UNDERLINEHOT;
constexpr char StyleProperty[] = "ListViewExStyle";
constexpr char RenderedProperty[] = "ListViewExStyleRendered";

bool isAccepted(qint32 style)
{
    return style != 0 && (style & AcceptedStyles) == style && (style & (style - 1)) == 0;
}

// One click activates when the list asks for it.
class ActivationStyle : public QProxyStyle
{
public:
    explicit ActivationStyle(const QAbstractItemView* view)
        : m_view(view)
    {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ItemView_ActivateItemOnSingleClick && widget == m_view)
            return (GetListViewExStyle(m_view) & LVS_EX_ONECLICKACTIVATE) != 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    const QAbstractItemView* m_view;
};

// Paints the entry under the pointer highlighted and underlined, and grid
// lines, as the list's bits ask.
class HotTrackDelegate : public QStyledItemDelegate
{
public:
    explicit HotTrackDelegate(QAbstractItemView* view)
        : QStyledItemDelegate(view)
        , m_view(view)
    {}

    void setHotRow(int row) { m_hotRow = row; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const qint32 bits = GetListViewExStyle(m_view);
        QStyleOptionViewItem hot(option);
        const bool isHot = index.row() == m_hotRow && m_hotRow >= 0;
        if (isHot && (bits & LVS_EX_ONECLICKACTIVATE) && !(option.state & QStyle::State_Selected))
            painter->fillRect(option.rect, option.palette.highlight().color().lighter(185));
        if (isHot && (bits & LVS_EX_UNDERLINEHOT))
            hot.font.setUnderline(true);
        QStyledItemDelegate::paint(painter, hot, index);
        if (bits & LVS_EX_GRIDLINES) {
            painter->save();
            painter->setPen(option.palette.mid().color());
            painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->restore();
        }
    }

private:
    QAbstractItemView* m_view;
    int m_hotRow = -1;
};

// Follows the pointer over a list: the hot entry, its hand pointer, and the
// selection after a rest.
class PointerTracker : public QObject
{
public:
    PointerTracker(QAbstractItemView* view, HotTrackDelegate* delegate)
        : QObject(view)
        , m_view(view)
        , m_delegate(delegate)
    {
        m_rest.setSingleShot(true);
        m_rest.setInterval(TrackSelectDelayMs);
        connect(&m_rest, &QTimer::timeout, this, &PointerTracker::selectRestingEntry);
        view->viewport()->installEventFilter(this);
        view->viewport()->setMouseTracking(true);
        view->viewport()->setAttribute(Qt::WA_Hover);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseMove:
            setHot(m_view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
            break;
        case QEvent::Leave:
            setHot({});
            break;
        default:
            break;
        }
        return false;
    }

private:
    void setHot(const QModelIndex& index)
    {
        const int row = index.isValid() ? index.row() : -1;
        const qint32 bits = GetListViewExStyle(m_view);
        if (bits & LVS_EX_ONECLICKACTIVATE) {
            if (row >= 0)
                m_view->viewport()->setCursor(Qt::PointingHandCursor);
            else
                m_view->viewport()->unsetCursor();
        }
        if (row == m_hotRow)
            return;
        m_hotRow = row;
        m_hot = index;
        m_delegate->setHotRow(row);
        m_view->viewport()->update();
        if (row >= 0 && (bits & LVS_EX_TRACKSELECT))
            m_rest.start();
        else
            m_rest.stop();
    }

    void selectRestingEntry()
    {
        if (!m_hot.isValid() || !m_view->selectionModel() || !m_view->isEnabled())
            return;
        // A modal window (the entry dialog) opened since the pointer came to
        // rest: the command it serves acts on the selection as it was.
        const QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != m_view->window())
            return;
        // The same selection a click gives; the list's selection handlers
        // refresh the buttons.
        m_view->selectionModel()->setCurrentIndex(m_hot, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
    }

    QAbstractItemView* m_view;
    HotTrackDelegate* m_delegate;
    QTimer m_rest;
    QPersistentModelIndex m_hot;
    int m_hotRow = -1;
};

void render(QAbstractItemView* view, qint32 bits)
{
    if (bits &
        (LVS_EX_ONECLICKACTIVATE | LVS_EX_TRACKSELECT | LVS_EX_UNDERLINEHOT | LVS_EX_GRIDLINES)) {
        if (!view->property(RenderedProperty).toBool()) {
            view->setProperty(RenderedProperty, true);
            auto* delegate = new HotTrackDelegate(view);
            view->setItemDelegate(delegate);
            new PointerTracker(view, delegate);
            auto* style = new ActivationStyle(view);
            style->setParent(view);
            view->setStyle(style);
        }
    }
    if (bits & LVS_EX_HEADERDRAGDROP) {
        if (auto* tree = qobject_cast<QTreeView*>(view))
            tree->header()->setSectionsMovable(true);
    }
    if (bits & LVS_EX_FULLROWSELECT)
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->viewport()->update();
}

} // namespace

void SetListViewExStyle(QWidget* hWnd, qint32 Style)
{
    auto* view = qobject_cast<QAbstractItemView*>(hWnd);
    if (!view)
        return;
    qint32 current = GetListViewExStyle(view);
    if (isAccepted(Style))
        current |= Style;
    view->setProperty(StyleProperty, current);
    render(view, current);
}

qint32 GetListViewExStyle(const QWidget* hWnd)
{
    const auto* view = qobject_cast<const QAbstractItemView*>(hWnd);
    return view ? view->property(StyleProperty).toInt() : 0;
}

} // namespace ModCommonCtrls
