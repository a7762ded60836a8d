#pragma once

#include "lists/ListFileImport.h"
#include "lists/ListImportJob.h"
#include "lists/UserListChange.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

class CatalogueFilter;
class ListController;
class QProgressDialog;
class QWidget;
class ZunoSmiley1;

// An import of list files for the window. The files are read and sorted out
// by the lists' duplicate rule off the window's thread (ListImportJob); an
// import that lasts over half a second shows its progress, with Cancel.
// What comes back is checked again against the entries added to the lists
// meanwhile, taken into the lists a slice of rows per turn of the event
// loop, so that the window never waits long, and written as one batch per
// list; one report then tells of every file. Files that come while an import
// runs are imported after it, with a report of their own.
class ListImportFlow : public QObject
{
    Q_OBJECT
public:
    ListImportFlow(QWidget* window, std::array<ListController*, 2> lists, ZunoSmiley1& localizer);
    ~ListImportFlow() override;

    void import(const QStringList& files);
    // Stops at once: nothing more is read or taken in, the entries already
    // in a list are written, and the files waiting are dropped (the close).
    void stop();
    bool isBusy() const { return m_job || m_taking; }
    // Runs then at once when no import is under way, else once its report
    // is shown (a pick comes after the report, not under it); a stop drops it.
    void whenReported(std::function<void()> then);

private:
    void startNext();
    void progress(qint64 done, qint64 total);
    void jobFinished(const QList<ListFileImport::FileReport>& reports,
                     const ListImportJob::Runs& runs);
    // Takes the next slice of the runs into their lists; again on the next
    // turn until all are in.
    void takeSlice();
    // A run entry meets an entry added meanwhile: its file's count moves.
    void countAsThere(int list, qsizetype index);
    // Writes the entries taken into a list so far.
    void record(int list);
    // The view's side of a list, which holds the rows taken in until all are.
    CatalogueFilter* filter(int list) const;
    void end();
    // The lists' changes while the job runs: their texts, which the job did
    // not see.
    void followLists(bool follow);

    QWidget* m_window;
    std::array<ListController*, 2> m_lists;
    ZunoSmiley1& m_localizer;
    QStringList m_waiting;
    std::vector<std::function<void()>> m_afterReport;
    QPointer<ListImportJob> m_job;
    QPointer<QProgressDialog> m_progress;
    std::array<QList<QMetaObject::Connection>, 2> m_following;
    // Keys (DuplicateRule::bareKey) of the texts added or changed meanwhile;
    // after a rebuild of a list, every row is looked at instead.
    std::array<QSet<QString>, 2> m_changedKeys;
    std::array<bool, 2> m_rebuilt{};

    bool m_taking = false;
    QList<ListFileImport::FileReport> m_reports;
    ListImportJob::Runs m_runs;
    int m_list = 0;
    qsizetype m_next = 0;
    // Rows taken in per turn, fitted to the time a turn takes.
    qsizetype m_slice = 8192;
    // By report: where its file's entries begin in its list's run.
    QList<qsizetype> m_runStart;
    bool m_appending = false;
    // The Adds of the rows taken in, until recorded.
    std::array<QList<UserListChange>, 2> m_taken;
};
