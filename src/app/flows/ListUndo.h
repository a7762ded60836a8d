#pragma once

#include "lists/UserListChange.h"

#include <QObject>

class ListPage;
class QUndoStack;
class UndoNotice;
class ZunoSmiley1;

// The undo history of one list's Add, Edit and Remove: Ctrl+Z undoes the
// last, Ctrl+Shift+Z does it again. Each step is made through the page's own
// change (ListPage::addUserEntry, editUserEntry, removeUserEntry), so the
// file follows and other windows see it, as for the commands. A step another
// window has made impossible (the entry is gone, or its text is taken) is
// left out of the history. The undo of an Edit whose entry another program
// changed since never overwrites that version: the entry as it was comes
// back beside it (where its text is free; else nothing is undone, and a
// message says so), and the redo is dropped. After a Remove, a notice with
// the removed text and an Undo button stays a few seconds.
class ListUndo : public QObject
{
    Q_OBJECT
public:
    ListUndo(ListPage* page, ZunoSmiley1& localizer);

private:
    void record(const UserListChange& change);

    ListPage* m_page;
    ZunoSmiley1& m_localizer;
    QUndoStack* m_stack = nullptr;
    UndoNotice* m_notice = nullptr;
    // An undo or a redo at work: its own change is no new step.
    bool m_replaying = false;
};
