#pragma once

#include "lists/UserListChange.h"

#include <QUndoCommand>

#include <functional>

class ListPage;
class ZunoSmiley1;

// One Add, Edit or Remove of a list's user entries, already made when it is
// pushed, that can be undone and made again through the page.
class ListUndoCommand : public QUndoCommand
{
public:
    // replaying is set while the command changes the page; the localizer
    // says why an undo did nothing.
    ListUndoCommand(ListPage* page, const UserListChange& change, bool* replaying,
                    const ZunoSmiley1& localizer);

    void undo() override;
    void redo() override;

private:
    // Runs a change of the page; a change the list refuses now (another
    // window took the text, or removed the entry) leaves the history.
    void run(const std::function<bool()>& change);
    // The Edit's entry no longer holds what the Edit wrote (changed outside
    // since); an entry gone altogether is not changed but added again.
    bool changedSince() const;
    // Selects the entry with this text and brings it into sight.
    void show(const QString& text);

    ListPage* m_page;
    const ZunoSmiley1& m_localizer;
    UserListChange m_change;
    bool* m_replaying;
    bool m_done = true; // pushed after the change was made
};
