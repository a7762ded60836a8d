#include "app/flows/ListUndoCommand.h"

#include "app/dialogs/MessageBox.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QAbstractProxyModel>

ListUndoCommand::ListUndoCommand(ListPage* page, const UserListChange& change, bool* replaying,
                                 const ZunoSmiley1& localizer)
    : m_page(page)
    , m_localizer(localizer)
    , m_change(change)
    , m_replaying(replaying)
{}

void ListUndoCommand::undo()
{
    const UserListChange& c = m_change;
    if (c.isRemove()) {
        run([&] {
            return m_page->addUserEntry(c.oldText(), c.oldDescription().value_or(QString()));
        });
        show(c.oldText());
    } else if (c.isEdit() && c.oldDescription()) {
        if (changedSince()) {
            // Another program changed it since: that version stays, and the
            // entry as it was comes back beside it where its text is free.
            run([&] { return m_page->addUserEntry(c.oldText(), *c.oldDescription()); });
            // Its text is taken (an Edit of the description only): the undo
            // does nothing, and says so rather than seem to have worked.
            if (isObsolete())
                MessageBox::inform(m_page->window(), m_page->window()->windowTitle(),
                                   m_localizer.ID_INT_UNDO_CHANGED_ELSEWHERE(c.oldText()),
                                   MessageBox::Tone::News);
        } else {
            run([&] { return m_page->editUserEntry(c.text(), c.oldText(), *c.oldDescription()); });
        }
        show(c.oldText());
    } else {
        // An Add, or an Edit that added its entry again.
        run([&] { return m_page->removeUserEntry(c.text()); });
    }
}

void ListUndoCommand::redo()
{
    if (m_done) {
        m_done = false;
        return;
    }
    const UserListChange& c = m_change;
    if (c.isRemove()) {
        run([&] { return m_page->removeUserEntry(c.oldText()); });
    } else if (c.isEdit()) {
        run([&] { return m_page->editUserEntry(c.oldText(), c.text(), c.description()); });
        show(c.text());
    } else {
        run([&] { return m_page->addUserEntry(c.text(), c.description()); });
        show(c.text());
    }
}

bool ListUndoCommand::changedSince() const
{
    const int row = m_page->model()->userRow(m_change.text());
    return row >= 0 && m_page->model()->description(row) != m_change.description();
}

void ListUndoCommand::run(const std::function<bool()>& change)
{
    *m_replaying = true;
    const bool made = change();
    *m_replaying = false;
    if (!made)
        setObsolete(true);
}

void ListUndoCommand::show(const QString& text)
{
    const int row = m_page->model()->userRow(text);
    if (row < 0)
        return;
    m_page->select(row);
    m_page->view()->scrollTo(m_page->view()->currentIndex());
}
