#pragma once

#include <QList>
#include <QObject>

class EntryUse;
class QLabel;
class ListPage;
class PickFlow;
class ZunoSmiley1;

// One list page's side of the user's use of its entries (EntryUse): the
// filter ranks by the favourites and the scores, and finds entries by the
// user's keywords after the shipped ones; favourites show their star; a copy
// or a drag out counts as a use; an Edit carries the entry's mark, keywords
// and use along, a Remove takes them away. Ctrl+D, and the Favourite command
// of a row's context menu (beside Copy, Edit and Remove, each with its key),
// marks the selected entry or takes its mark away; Ctrl+K, and the menu's
// Keywords command, edits the selected entry's own keywords. A filter that
// matches nothing says so at the top of the list.
class ListUse : public QObject
{
    Q_OBJECT
public:
    // A pick from the page (pick) is a use too.
    ListUse(ListPage* page, EntryUse* use, const PickFlow* pick, ZunoSmiley1& localizer);
    // The window's lists share one EntryUse, with the favourites beside the
    // list files in listFolder; it lives as long as the pages' window.
    static void attach(const QList<ListPage*>& pages, const PickFlow* pick,
                       const QString& listFolder, ZunoSmiley1& localizer);

    // Ctrl+D: the selected entry becomes a favourite, or is one no more.
    void toggleFavourite();
    // Ctrl+K: the dialog of the selected entry's keywords.
    void editKeywords();

private:
    void showUse();
    void showContextMenu(const QPoint& position);
    void refreshNoMatch();

    ListPage* m_page;
    EntryUse* m_use;
    ZunoSmiley1& m_localizer;
    QLabel* m_noMatch = nullptr;
};
