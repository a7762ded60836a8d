#include "app/flows/ListController.h"

#include "app/dialogs/MessageBox.h"
#include "app/models/CatalogueFilter.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"
#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "catalogue/UserListReader.h"
#include "lists/DuplicateRule.h"
#include "lists/ListFileImport.h"
#include "lists/UserListFile.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QFileInfo>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>

namespace {

// The built-in entries' descriptions in a language, in table order, from a
// control of their own: the filter finds a built-in entry in either language.
template <class Control, class Signal> QStringList tableDescriptions(Signal event, qint16 language)
{
    QStringList descriptions;
    Control control;
    QObject::connect(
        &control, event, &control,
        [&descriptions](const QString&, const QString& description, qint16) {
            descriptions << description;
        },
        Qt::DirectConnection);
    control.setLanguage(language);
    control.LoadTable();
    return descriptions;
}

// The search's keywords of a list's rows: the shipped ones of the built-in
// entries.
CatalogueFilter::KeywordSource shippedKeywords(CatalogueListModel::Kind kind)
{
    return [table = kind == CatalogueListModel::Kind::Smileys
                        ? OVSmiley::tableKeywords()
                        : OVAcronym::tableKeywords()](const QString& text, bool builtIn) {
        return builtIn ? table.value(text) : QStringList();
    };
}

// The rows of the list compared with its file's entries in one turn of the
// event loop: a few milliseconds.
constexpr qsizetype CompareSlice = 65536;

// Room for the built-in entries, and about one user entry per 32 bytes of
// the file, as far as the reader goes; the model's squeeze() gives back what
// is left.
qsizetype expectedRows(const QString& listFile)
{
    constexpr qsizetype BuiltInRoom = 160;
    const qint64 size = std::min<qint64>(QFileInfo(listFile).size(), UserListReader::MaxFileSize);
    return BuiltInRoom + qsizetype(size / 32);
}

} // namespace

ListController::ListController(ListPage* page, const QString& path, UserListStore::Reader readFile,
                               TableLoader loadTable, QObject* parent)
    : QObject(parent)
    , m_page(page)
    , m_store(new UserListStore(path, std::move(readFile), this))
    , m_loadTable(std::move(loadTable))
{
    static_cast<CatalogueFilter*>(m_page->sortedModel())
        ->setKeywordSource(shippedKeywords(m_page->model()->kind()));
    connect(m_page, &ListPage::changedByUser, m_store, &UserListStore::record);
    connect(m_store, &UserListStore::entriesChanged, this, &ListController::showFileEntries);
    // Rows compared already may have changed: the comparison starts again.
    CatalogueListModel* model = m_page->model();
    const auto again = [this] { m_compared = 0; };
    connect(model, &QAbstractItemModel::rowsInserted, this, again);
    connect(model, &QAbstractItemModel::rowsRemoved, this, again);
    connect(model, &QAbstractItemModel::dataChanged, this, again);
    connect(model, &QAbstractItemModel::modelReset, this, again);
    connect(model, &QAbstractItemModel::layoutChanged, this, again);
    connect(m_store, &UserListStore::writeFailed, this,
            [this](const AtomicFileWriter::Result& result) {
                Q_EMIT writeFailed(m_store->path(), result);
            });
}

void ListController::fillTable(qint16 language)
{
    m_loadTable(language);
    const qint16 other = language == 1 ? 2 : 1;
    m_page->setOtherDescriptions(
        m_page->model()->kind() == CatalogueListModel::Kind::Smileys
            ? tableDescriptions<OVSmiley>(&OVSmiley::NextSmiley, other)
            : tableDescriptions<OVAcronym>(&OVAcronym::NextAcronym, other));
}

void ListController::loadTable(qint16 language)
{
    CatalogueListModel* model = m_page->model();
    model->beginBulkLoad();
    model->reserve(expectedRows(m_store->path()));
    fillTable(language);
}

void ListController::loadFile()
{
    CatalogueListModel* model = m_page->model();
    QStringList builtIns;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->origin(row) == CatalogueListModel::Origin::Table)
            builtIns << model->text(row).toString();
    }
    m_store->setBuiltInTexts(builtIns);
    m_store->load();
    model->squeeze();
    model->endBulkLoad();
}

void ListController::refill(qint16 language)
{
    m_page->closeFilter();
    CatalogueListModel* model = m_page->model();
    model->beginBulkLoad();
    if (!m_store->hasPending()) {
        model->clear();
        fillTable(language);
        m_store->reload();
    } else {
        // Changes the file does not hold yet: the user's entries as they
        // are now, so that the list does not depend on reading its file.
        const QList<CatalogueListModel::Entry> userEntries = model->userEntries();
        model->clear();
        fillTable(language);
        for (const auto& entry : userEntries)
            m_page->addReportedEntry(entry.text, entry.description, 0);
    }
    model->endBulkLoad();
    // The refilled list has no selection; the buttons follow.
    m_page->refreshButtons();
}

AtomicFileWriter::Result ListController::save()
{
    return m_store->flush();
}

void ListController::stop()
{
    m_store->stop();
}

void ListController::showFileEntries(const UserListChange::Entries& entries)
{
    m_announced = entries;
    m_compared = 0;
    // A short list is compared at once; a long one goes on in later turns.
    if (!m_comparing)
        compareSlice();
}

void ListController::compareSlice()
{
    m_comparing = false;
    const bool atOnce = m_compared == 0 && m_announced.size() <= CompareSlice;
    const qsizetype to =
        atOnce ? m_announced.size() : std::min(m_announced.size(), m_compared + CompareSlice);
    const bool same = showsFileEntries(m_announced, m_compared, to);
    m_compared = to;
    if (same && to < m_announced.size()) {
        m_comparing = true;
        QTimer::singleShot(0, this, &ListController::compareSlice);
        return;
    }
    UserListChange::Entries entries = std::exchange(m_announced, {});
    if (!same)
        takeFileEntries(entries);
    // Freeing a long list takes the window milliseconds; a pool thread has
    // them to spare.
    QThreadPool::globalInstance()->start([doomed = std::move(entries)] {});
}

void ListController::takeFileEntries(const UserListChange::Entries& entries)
{
    CatalogueListModel* model = m_page->model();
    const int row = m_page->view()->selectedSourceRow();
    const bool wasUser = row >= 0 && model->origin(row) == CatalogueListModel::Origin::File;
    const QString selected = wasUser ? model->text(row).toString() : QString();
    model->replaceUserEntries(entries);
    if (wasUser && m_page->view()->selectedSourceRow() < 0) {
        if (const int again = model->userRow(selected); again >= 0)
            m_page->select(again);
    }
    m_page->refreshButtons();
}

bool ListController::showsFileEntries(const UserListChange::Entries& entries, qsizetype from,
                                      qsizetype to) const
{
    // The user's rows are the last ones; compared in place, without a copy.
    using Origin = CatalogueListModel::Origin;
    const CatalogueListModel* model = m_page->model();
    const int first = model->rowCount() - int(entries.size());
    if (first < 0 || (first > 0 && model->origin(first - 1) == Origin::File))
        return false;
    for (qsizetype i = from; i < to; ++i) {
        const int row = first + int(i);
        if (model->origin(row) != Origin::File || model->text(row) != entries.at(i).text ||
            model->description(row) != entries.at(i).description)
            return false;
    }
    return true;
}
