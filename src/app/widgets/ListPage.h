#pragma once

#include "app/models/CatalogueListModel.h"
#include "lists/UserListChange.h"

#include <QWidget>

#include <array>

class CatalogueFilter;
class CatalogueView;
class FadingNotice;
class QLabel;
class QLineEdit;
class QMimeData;
class QAbstractProxyModel;
class QToolButton;
class ZunoSmiley1;

// One catalogue page, the smileys or the acronyms: the list, its view sorted
// by a toggle and filtered by the words typed in its filter bar, and the
// Copy, Add, Edit and Remove buttons with the commands behind them (the
// window connects the buttons to its handlers, which run the commands). The
// list's file is not the page's: each change of the user's is announced by
// changedByUser, and ListController keeps the page and the file together.
class ListPage : public QWidget
{
    Q_OBJECT
public:
    enum Command { Copy, Add, Edit, Remove, CommandCount };

    ListPage(CatalogueListModel::Kind kind, ZunoSmiley1& localizer, QWidget* parent = nullptr);

    // The list's designed place on the page, in twips; the page is as high
    // as the list with a margin above and below.
    static constexpr int ListLeft = 120, ListTop = 240, ListWidth = 4215, ListHeight = 5535;
    static constexpr int DesignedHeight = ListTop + ListHeight + 120;

    CatalogueListModel* model() const { return m_model; }
    // The list as the view shows it: sorted and filtered.
    QAbstractProxyModel* sortedModel() const;
    QLineEdit* filterField() const { return m_filter; }
    QLabel* copiedNotice() const;
    CatalogueView* view() const { return m_view; }
    QToolButton* button(Command command) const { return m_buttons.at(command); }
    // 1 after an odd number of header clicks (ascending), else 0.
    qint16 sortFlag() const { return m_sortFlag; }

    void retranslate();

    // An entry a catalogue control reported (Default -1 for a built-in one).
    // A user entry that repeats one the list holds (the load's test of
    // DuplicateRule) is dropped.
    void addReportedEntry(const QString& text, const QString& description, qint16 Default);

    // The duplicate rule of Add and Edit (CatalogueListModel::entryExists);
    // with exceptSelected, the selected entry does not count.
    bool entryExists(const QString& text, bool exceptSelected) const;

    // The built-in entries' descriptions in the other language, in table
    // order, which the filter matches too.
    void setOtherDescriptions(const QStringList& descriptions);

    // The filter bar over the bottom of the list: a printable key typed in
    // the list, or Ctrl+F in the window (WindowKeys), opens it (with that key's text); Escape
    // clears and closes it, giving the focus back to the list; Down goes into the list.
    void openFilter(const QString& typed = QString());
    void closeFilter();
    // The entry Enter in the filter bar chooses: the selected one, else the
    // first the filter shows; empty when it shows none.
    QString chosenText() const;
    // A short notice beside the Copy button that fades: "Copied" after a
    // copy, or another text of the window's.
    void showNotice(const QString& text);

    // Copy follows any selection, Edit and Remove a selected user entry.
    void refreshButtons();
    // A header click at this 1-based position: the toggle flips.
    void sortByColumn(int position);
    // Selects a row of the list (a row of the model).
    void select(int row);
    // Delete removes and Enter edits, when their buttons allow it.
    void keyDown(int key);
    // The selected entry's text alone, copy as the only effect; nullptr
    // without a selected entry.
    QMimeData* dragData(Qt::DropActions* allowedEffects) const;

    // Puts the selected entry's text on the clipboard and says so briefly.
    void copySelected();
    void addEntry();
    void editSelected();
    void removeSelected();

    // What Add, Edit and Remove do once the user has confirmed, each
    // announced by changedByUser when the list changed. An Edit whose entry
    // has gone meanwhile (another window removed it) adds it again, if no
    // other entry has its text. True when the list changed.
    bool addUserEntry(const QString& text, const QString& description);
    bool editUserEntry(const QString& oldText, const QString& text, const QString& description);
    bool removeUserEntry(const QString& text);

Q_SIGNALS:
    void changedByUser(const UserListChange& change);
    // An entry was used: copied (Copy, Ctrl+C, a double-click) or dragged out.
    void entryUsed(const QString& text);
    // Enter in the filter bar, with the entry it chooses.
    void filterAccepted(const QString& text);
    // The filter bar has closed (Escape, the language switch).
    void filterClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int selectedUserRow() const;
    void runEntryDialog(bool edit);
    void placeFilterBar(bool open);

    ZunoSmiley1& m_localizer;
    CatalogueListModel* m_model = nullptr;
    CatalogueFilter* m_sorted = nullptr;
    QLineEdit* m_filter = nullptr;
    FadingNotice* m_notice = nullptr;
    CatalogueView* m_view = nullptr;
    std::array<QToolButton*, CommandCount> m_buttons{};
    qint16 m_sortFlag = 0;
};
