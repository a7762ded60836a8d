#pragma once

#include "desktop/ActiveWindow.h"

#include <QObject>
#include <QPointer>

class ListPage;
class QTimer;
class QWidget;
class ZunoSmiley1;

// The catalogue called up to insert an entry where the user was typing: the
// window comes to the front on a list page, its filter bar open. Enter there
// sends the window out of the way and types the chosen entry into the window
// the user came from (on Wayland, into the window the compositor gives the
// keyboard back to); where nothing can be typed, the entry waits on the
// clipboard and a notice says to paste. Escape closes the filter without
// inserting. While the pick lasts, the entry Enter inserts is selected and in
// sight at every keystroke (the first the filter shows), and Up and Down move
// it without leaving the field. Escape ends the pick: the window gets out of
// the way as after an insert, and the keyboard goes back where the user was.
// A pick that ends leaves no filter behind. Every wait is on a signal of the
// window or the application, never in an event loop of its own.
class PickFlow : public QObject
{
    Q_OBJECT
public:
    PickFlow(QWidget* window, ZunoSmiley1& localizer);
    ~PickFlow() override;

    // Follows a page's filter bar: Enter there inserts, closing it ends the pick.
    void watch(ListPage* page);
    // Brings the window up on page for a pick; cameFrom is the window the
    // user was typing in. With terms, the window comes up with its filter
    // holding them instead, for a search the desktop handed on: nothing is
    // typed anywhere.
    void start(const ActiveWindow& cameFrom, ListPage* page, const QString& terms = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // An entry chosen to be inserted (typed, or left on the clipboard).
    void entryPicked(ListPage* page, const QString& text);

private:
    void insert(ListPage* page, const QString& text);
    // Selects the shown row at this position, kept within the list, and
    // brings it into sight.
    static void choose(ListPage* page, int row);
    // Escape: no entry; the window steps aside and the keyboard goes back.
    void cancel(ListPage* page);
    // Out of the way: minimized, or hidden where a compositor ignores that.
    void stepAside(bool wayland);
    // Once the window is out of the way: types the entry, or puts it on the
    // clipboard and comes back to say so.
    void typeEntry();
    // A notice of the program's own shown at the start (the lists copied
    // out of a read-only program folder) would keep the keyboard from the
    // window the user came from: it waits, hidden, until the window is next
    // up for the user.
    void holdBackNotices();
    void showHeldBack();

    QWidget* m_window;
    ZunoSmiley1& m_localizer;
    bool m_picking = false;
    QPointer<ListPage> m_page; // the page of the pick in progress
    ActiveWindow m_target;
    // The entry on its way, while the window gets out of the way.
    struct Typing
    {
        QString text;
        ActiveWindow target;
        bool wayland = false;
        QPointer<ListPage> page;
        bool ready = false; // a way to type was made ready
    } m_typing;
    bool m_waiting = false;
    bool m_preparing = false; // the desktop is still making typing ready
    int m_typingRound = 0;    // which entry on its way the waits are for
    QTimer* m_giveUp = nullptr;
    QList<QPointer<QWidget>> m_heldBack;
};
