#pragma once

#include <QList>
#include <QObject>

class ListPage;
class QTabWidget;

// The window's keyboard, so that it answers from the first key: the focus
// starts in the list in front, on its first entry, selected; Ctrl+F opens
// the filter of the list in front from anywhere in the window (from the
// About page, of the list last used); a letter typed where it has no use
// (the tab bar, a button) opens that filter with the letter; Ctrl+C in a
// filter field with no text selected in it copies the entry the filter
// chooses.
class WindowKeys : public QObject
{
    Q_OBJECT
public:
    // pages: the list pages by tab index, in tabs.
    WindowKeys(QTabWidget* tabs, const QList<ListPage*>& pages);
    // The tab index of the list page last in front.
    int lastList() const { return m_lastList; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The list page in front, or the one last used when the About page is.
    ListPage* listInFront();
    void focusFirstEntry();
    bool copyChosen(ListPage* page);

    QTabWidget* m_tabs;
    QList<ListPage*> m_pages;
    int m_lastList = 0;
    bool m_started = false;
};
