#pragma once

#include "base/AtomicFileWriter.h"
#include "lists/UserListStore.h"

#include <QObject>

#include <functional>
#include <optional>

class ListPage;
class ZunoSmiley1;

// One catalogue list at work: its page and the store of its user list file.
// The changes the user makes on the page go to the store, which writes each
// at once; what the file holds, when another window or program changed it,
// comes back to the page. The list is loaded here (the built-in entries
// through the catalogue control's table, the user's through the store's
// reader), refilled at a language switch and saved at the close.
class ListController : public QObject
{
    Q_OBJECT
public:
    // Reports the built-in entries in a language to the page (the catalogue
    // control's LoadTable).
    using TableLoader = std::function<void(qint16 language)>;

    ListController(ListPage* page, const QString& path, UserListStore::Reader readFile,
                   TableLoader loadTable, QObject* parent = nullptr);
    // The list of a catalogue control (OVSmiley, OVAcronym), which reports
    // the entries of its table and of the file to the page's window.
    template <class Control>
    static ListController* of(ListPage* page, const QString& path, Control* control,
                              QObject* parent)
    {
        return new ListController(
            page, path,
            [control](const QString& file) {
                control->LoadFile(file);
                return control->lastFileRead();
            },
            [control](qint16 language) {
                control->setLanguage(language);
                control->LoadTable();
            },
            parent);
    }

    ListPage* page() const { return m_page; }
    UserListStore* store() const { return m_store; }

    // The start comes in two steps, so that the built-in entries of every
    // list are in place before any user entry is: the table opens the
    // list's load, the file closes it. From then on the file is followed.
    void loadTable(qint16 language);
    void loadFile();
    // The language switch: the filter closes and the list is built again as
    // at the start, without a save. The file already holds every change;
    // while it does not hold them all, the user's entries come from memory,
    // so that nothing is lost.
    void refill(qint16 language);
    // The close: what is still pending is written (see UserListStore::flush).
    AtomicFileWriter::Result save();
    // The list no longer follows its file.
    void stop();

Q_SIGNALS:
    // A change could not be written; it stays in the list.
    void writeFailed(const QString& path, const AtomicFileWriter::Result& result);

private:
    void fillTable(qint16 language);
    // The user entries as their file holds them now: the list follows,
    // keeping its built-in entries and the selected entry where it still is.
    // Most of the time this is the list's own write coming back: a long
    // list is compared a slice of rows per turn of the event loop, so that
    // the window never waits on it, and taken only where it differs.
    void showFileEntries(const UserListChange::Entries& entries);
    void compareSlice();
    void takeFileEntries(const UserListChange::Entries& entries);
    // Whether rows [from, to) of the announced entries are the list's.
    bool showsFileEntries(const UserListChange::Entries& entries, qsizetype from,
                          qsizetype to) const;

    ListPage* m_page;
    UserListStore* m_store;
    TableLoader m_loadTable;
    // The entries being compared, and how far: a change of the list starts
    // the comparison again, a newer announcement replaces them.
    UserListChange::Entries m_announced;
    qsizetype m_compared = 0;
    bool m_comparing = false;
};
