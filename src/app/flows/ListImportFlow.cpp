#include "app/flows/ListImportFlow.h"

#include "app/dialogs/MessageBox.h"
#include "app/flows/ListController.h"
#include "app/models/CatalogueFilter.h"
#include "app/models/CatalogueListModel.h"
#include "app/widgets/ListPage.h"
#include "lists/DuplicateRule.h"
#include "lists/UserListStore.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>

namespace {

// An import shorter than this shows no progress.
constexpr int ProgressAfterMs = 500;
// The bar's steps: reading the files takes the first part, taking the
// entries into the lists the rest.
constexpr int ProgressSteps = 1000;
constexpr int ReadingSteps = 900;
// A turn of the event loop spent taking in rows stays near this, whatever
// the machine: the slice grows or shrinks to fit. The views see the rows
// in doubling runs (CatalogueFilter::holdRuns), laid out in a turn of their
// own.
constexpr qint64 TurnBudgetMs = 35;
constexpr qsizetype SmallestSlice = 256;

} // namespace

ListImportFlow::ListImportFlow(QWidget* window, std::array<ListController*, 2> lists,
                               ZunoSmiley1& localizer)
    : QObject(window)
    , m_window(window)
    , m_lists(lists)
    , m_localizer(localizer)
{}

// The job, a child, stops its thread as it goes; the lists may be gone
// already (the window's close has stopped the import before).
ListImportFlow::~ListImportFlow() = default;

void ListImportFlow::import(const QStringList& files)
{
    m_waiting << files;
    if (!isBusy())
        startNext();
}

void ListImportFlow::startNext()
{
    if (m_waiting.isEmpty())
        return;
    const QStringList files = std::exchange(m_waiting, {});
    // The lists as they are now go to the job; what changes in them from
    // here on is followed, to be checked again when the job is done.
    followLists(true);
    m_job = new ListImportJob(files, m_lists[0]->page()->model()->textSnapshot(),
                              m_lists[1]->page()->model()->textSnapshot(), this);
    connect(m_job, &ListImportJob::progress, this, &ListImportFlow::progress);
    connect(m_job, &ListImportJob::finished, this, &ListImportFlow::jobFinished);
    m_progress = new QProgressDialog(m_window);
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->setWindowTitle(m_localizer.ID_INT_IMPORT_TITLE());
    m_progress->setLabelText(m_localizer.ID_INT_IMPORT_FILES(qint32(files.size())));
    m_progress->setCancelButtonText(m_localizer.ID_BTN_CANCEL());
    m_progress->setRange(0, ProgressSteps);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setMinimumDuration(ProgressAfterMs);
    m_progress->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, this, &ListImportFlow::stop);
    m_job->start();
}

void ListImportFlow::followLists(bool follow)
{
    for (int list = 0; list < 2; ++list) {
        for (const QMetaObject::Connection& connection : std::as_const(m_following[list]))
            disconnect(connection);
        m_following[list].clear();
        m_changedKeys[list].clear();
        m_rebuilt[list] = false;
        if (!follow)
            continue;
        CatalogueListModel* model = m_lists[list]->page()->model();
        const auto note = [this, list, model](int first, int last) {
            if (m_appending)
                return;
            for (int row = first; row <= last; ++row)
                m_changedKeys[list].insert(DuplicateRule::bareKey(model->text(row)));
        };
        m_following[list]
            << connect(model, &QAbstractItemModel::rowsInserted, this,
                       [note](const QModelIndex&, int first, int last) { note(first, last); })
            << connect(model, &QAbstractItemModel::dataChanged, this,
                       [note](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                           note(topLeft.row(), bottomRight.row());
                       })
            << connect(model, &QAbstractItemModel::modelReset, this,
                       [this, list] { m_rebuilt[list] = true; });
    }
}

void ListImportFlow::progress(qint64 done, qint64 total)
{
    if (m_progress && total > 0)
        m_progress->setValue(int(ReadingSteps * double(done) / double(total)));
}

void ListImportFlow::jobFinished(const QList<ListFileImport::FileReport>& reports,
                                 const ListImportJob::Runs& runs)
{
    m_job->deleteLater();
    m_job = nullptr;
    m_reports = reports;
    m_runs = runs;
    // Where each file's entries begin in its list's run.
    std::array<qsizetype, 2> start{};
    m_runStart.clear();
    for (const ListFileImport::FileReport& report : reports) {
        m_runStart.append(start[int(report.list)]);
        start[int(report.list)] += report.added;
    }
    // Room for every row now, while the lists are short: growing the rows
    // and their index later moves every row already in, in one turn.
    for (int list = 0; list < 2; ++list) {
        CatalogueListModel* model = m_lists[list]->page()->model();
        model->reserve(model->rowCount() + m_runs[list].size());
        m_taken[list].reserve(m_taken[list].size() + m_runs[list].size());
    }
    m_list = 0;
    m_next = 0;
    m_taking = true;
    takeSlice();
}

void ListImportFlow::takeSlice()
{
    if (!m_taking)
        return;
    QElapsedTimer spent;
    spent.start();
    while (m_list < 2 && m_next == m_runs[m_list].size()) {
        m_list += 1;
        m_next = 0;
    }
    if (m_list == 2) {
        const QString report = ListFileImport::reportText(m_reports, m_localizer);
        const qsizetype files = m_reports.size();
        // Every file read whole is news; a file left out is a warning.
        const bool allRead =
            std::all_of(m_reports.cbegin(), m_reports.cend(), [](const auto& file) {
                return file.outcome == ListFileImport::FileReport::Outcome::Imported;
            });
        end();
        MessageBox::inform(m_window, m_localizer.ID_INT_IMPORT_TITLE(),
                           files > MessageBox::MaxShownLines
                               ? m_localizer.ID_INT_IMPORT_FILES(qint32(files)) +
                                     QLatin1Char('\n') + report
                               : report,
                           allRead ? MessageBox::Tone::News : MessageBox::Tone::Warning);
        startNext();
        if (!isBusy())
            for (const auto& then : std::exchange(m_afterReport, {}))
                then();
        return;
    }
    const int list = m_list;
    const int shownBefore = filter(list)->rowCount();
    const ListImportJob::Entries& run = m_runs[list];
    ListPage* page = m_lists[list]->page();
    const qsizetype end = std::min(run.size(), m_next + m_slice);
    QList<CatalogueListModel::Entry> rows;
    QList<UserListChange> changes;
    rows.reserve(end - m_next);
    changes.reserve(end - m_next);
    for (; m_next < end; ++m_next) {
        const UserListFormat::Entry& entry = run.at(m_next);
        const bool there =
            m_rebuilt[list] ? page->entryExists(entry.text, false)
                            : !m_changedKeys[list].isEmpty() &&
                                  m_changedKeys[list].contains(DuplicateRule::bareKey(entry.text));
        if (there) {
            countAsThere(list, m_next);
            continue;
        }
        rows.append({entry.text, entry.description, CatalogueListModel::Origin::File});
        changes.append(UserListChange::add(entry.text, entry.description));
    }
    // The import's own rows are not changes made meanwhile. The views see
    // them in doubling runs: each showing lays out every row.
    m_appending = true;
    filter(list)->holdRuns(true);
    page->model()->appendRun(rows);
    filter(list)->holdRuns(false);
    m_appending = false;
    m_taken[list] << changes;
    // A list's rows go to its store as soon as they are all in, in the same
    // turn: a write of the store's that ends in between would show the file
    // without them.
    if (m_next == run.size()) {
        record(list);
        filter(list)->showHeldRows();
    }
    if (m_progress) {
        const qsizetype total = m_runs[0].size() + m_runs[1].size();
        const qsizetype taken = (list == 1 ? m_runs[0].size() : 0) + m_next;
        m_progress->setValue(ReadingSteps + int((ProgressSteps - ReadingSteps) * double(taken) /
                                                double(std::max<qsizetype>(total, 1))));
    }
    const qint64 took = spent.elapsed();
    if (took > TurnBudgetMs)
        m_slice = std::max(SmallestSlice, m_slice / 2);
    else if (took < TurnBudgetMs / 2)
        m_slice *= 2;
    // Rows shown in this slice are laid out by the views at the next turn:
    // the next slice waits for the turn after it.
    if (filter(list)->rowCount() != shownBefore)
        QTimer::singleShot(0, this,
                           [this] { QTimer::singleShot(0, this, &ListImportFlow::takeSlice); });
    else
        QTimer::singleShot(0, this, &ListImportFlow::takeSlice);
}

void ListImportFlow::countAsThere(int list, qsizetype index)
{
    for (qsizetype file = m_reports.size() - 1; file >= 0; --file) {
        ListFileImport::FileReport& report = m_reports[file];
        if (report.outcome == ListFileImport::FileReport::Outcome::Imported &&
            int(report.list) == list && m_runStart.at(file) <= index) {
            --report.added;
            ++report.alreadyThere;
            return;
        }
    }
}

void ListImportFlow::record(int list)
{
    if (m_taken[list].isEmpty())
        return;
    // One batch for the store: written in one trip, whatever its length.
    m_lists[list]->store()->recordAll(std::exchange(m_taken[list], {}));
}

CatalogueFilter* ListImportFlow::filter(int list) const
{
    return qobject_cast<CatalogueFilter*>(m_lists[list]->page()->sortedModel());
}

void ListImportFlow::whenReported(std::function<void()> then)
{
    if (isBusy())
        m_afterReport.push_back(std::move(then));
    else
        then();
}

void ListImportFlow::stop()
{
    m_waiting.clear();
    m_afterReport.clear();
    // What is in the lists already is kept, shown and saved.
    for (int list = 0; list < 2; ++list) {
        record(list);
        filter(list)->showHeldRows();
    }
    end();
}

void ListImportFlow::end()
{
    // Destroying the job stops its thread within a few thousand entries.
    delete m_job;
    m_taking = false;
    m_reports.clear();
    // Freeing a million entries would hold the window up; a pool thread
    // has the time.
    QThreadPool::globalInstance()->start([doomed = std::exchange(m_runs, {})] {});
    m_runStart.clear();
    followLists(false);
    // Closed, the dialog says canceled: not to this import, which has ended.
    if (m_progress) {
        m_progress->disconnect(this);
        m_progress->close();
    }
}
