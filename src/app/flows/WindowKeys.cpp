#include "app/flows/WindowKeys.h"

#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"

#include <QAbstractButton>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

WindowKeys::WindowKeys(QTabWidget* tabs, const QList<ListPage*>& pages)
    : QObject(tabs->window())
    , m_tabs(tabs)
    , m_pages(pages)
{
    QWidget* window = tabs->window();
    window->installEventFilter(this);
    auto* find = new QShortcut(QKeySequence::Find, window);
    connect(find, &QShortcut::activated, this, [this] {
        if (ListPage* page = listInFront())
            page->openFilter();
    });
    connect(tabs, &QTabWidget::currentChanged, this, [this](int i) {
        if (i >= 0 && i < m_pages.size())
            m_lastList = i;
    });
    for (ListPage* page : m_pages)
        page->filterField()->installEventFilter(this);
}

ListPage* WindowKeys::listInFront()
{
    if (m_pages.isEmpty())
        return nullptr;
    if (m_tabs->currentIndex() != m_lastList)
        m_tabs->setCurrentIndex(m_lastList);
    return m_pages.at(m_lastList);
}

void WindowKeys::focusFirstEntry()
{
    // A pick or a search may have put the focus in a filter already.
    const QWidget* focus = m_tabs->window()->focusWidget();
    if (focus && !qobject_cast<const QTabBar*>(focus))
        return;
    ListPage* page = listInFront();
    if (!page)
        return;
    QAbstractItemModel* shown = page->sortedModel();
    if (shown->rowCount() > 0 && page->view()->selectedSourceRow() < 0)
        page->select(page->sortedModel()->mapToSource(shown->index(0, 0)).row());
    page->view()->setFocus(Qt::OtherFocusReason);
}

bool WindowKeys::copyChosen(ListPage* page)
{
    if (page->filterField()->hasSelectedText())
        return false;
    const QAbstractProxyModel* shown = page->sortedModel();
    if (page->view()->selectedSourceRow() < 0 && shown->rowCount() > 0)
        page->select(shown->mapToSource(shown->index(0, 0)).row());
    page->copySelected();
    return true;
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tabs->window() && event->type() == QEvent::Show && !m_started) {
        m_started = true;
        focusFirstEntry();
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched != m_tabs->window()) {
            // A filter field.
            for (ListPage* page : std::as_const(m_pages)) {
                if (watched == page->filterField() && key->matches(QKeySequence::Copy))
                    return copyChosen(page);
            }
            return false;
        }
        // Keys the tab bar or a button had no use for come up to the window.
        const QWidget* focus = QApplication::focusWidget();
        const bool idle =
            qobject_cast<const QTabBar*>(focus) || qobject_cast<const QAbstractButton*>(focus);
        const bool command =
            key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        const QString text = key->text();
        if (idle && !command && !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace()) {
            if (ListPage* page = listInFront()) {
                page->openFilter(text);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
