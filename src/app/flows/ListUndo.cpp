#include "app/flows/ListUndo.h"

#include "app/flows/ListUndoCommand.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"
#include "app/widgets/UndoNotice.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QShortcut>
#include <QUndoStack>

ListUndo::ListUndo(ListPage* page, ZunoSmiley1& localizer)
    : QObject(page)
    , m_page(page)
    , m_localizer(localizer)
{
    m_stack = new QUndoStack(this);
    connect(page, &ListPage::changedByUser, this, &ListUndo::record);
    const auto key = [page](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, page);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(shortcut, &QShortcut::activated, action);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { m_stack->undo(); });
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { m_stack->redo(); });
}

void ListUndo::record(const UserListChange& change)
{
    if (m_replaying)
        return;
    m_stack->push(new ListUndoCommand(m_page, change, &m_replaying, m_localizer));
    if (!change.isRemove())
        return;
    // Made at the first Remove: most starts never show it.
    if (!m_notice) {
        m_notice = new UndoNotice(m_page->view()->viewport());
        m_notice->setObjectName(m_page->objectName() + QStringLiteral("Undo"));
        connect(m_notice, &UndoNotice::undoClicked, m_stack, &QUndoStack::undo);
        // Once the history moves, the notice's offer is done or out of date.
        connect(m_stack, &QUndoStack::indexChanged, m_notice, &QWidget::hide);
    }
    m_notice->showText(m_localizer.ID_INT_REMOVED(m_notice->shortened(change.oldText())),
                       m_localizer.ID_BTN_UNDO());
}
