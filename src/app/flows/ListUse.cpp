#include "app/flows/ListUse.h"

#include "app/dialogs/KeywordDialog.h"
#include "app/dialogs/MessageBox.h"
#include "app/flows/EntryUse.h"
#include "app/flows/PickFlow.h"
#include "app/models/CatalogueFilter.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"
#include "lists/SaveFailure.h"
#include "ovsmiley/ZunoSmiley1.h"
#include "search/KeywordStore.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>

namespace {

constexpr QKeyCombination KeywordKeys = Qt::CTRL | Qt::Key_K;

CatalogueFilter* filterOf(const ListPage* page)
{
    return static_cast<CatalogueFilter*>(page->sortedModel());
}

} // namespace

ListUse::ListUse(ListPage* page, EntryUse* use, const PickFlow* pick, ZunoSmiley1& localizer)
    : QObject(page)
    , m_page(page)
    , m_use(use)
    , m_localizer(localizer)
{
    const CatalogueListModel::Kind kind = page->model()->kind();
    CatalogueFilter* filter = filterOf(page);
    filter->setUseSource([use, kind](QSet<QString>* favourites, QHash<QString, double>* scores) {
        *favourites = use->favourites(kind);
        *scores = use->scores(kind);
    });
    // The user's keywords after the shipped ones (ListController's).
    filter->setKeywordSource(
        [shipped = filter->keywordSource(), use, kind](const QString& text, bool builtIn) {
            QStringList keywords = shipped ? shipped(text, builtIn) : QStringList();
            keywords += use->keywords(kind, text);
            return keywords;
        });
    connect(use, &EntryUse::keywordsChanged, filter, &CatalogueFilter::keywordsChanged);
    connect(use, &EntryUse::changed, this, &ListUse::showUse);
    connect(page, &ListPage::entryUsed, use,
            [use, kind](const QString& text) { use->recordUse(kind, text); });
    connect(pick, &PickFlow::entryPicked, use,
            [use, page, kind](const ListPage* from, const QString& text) {
                if (from == page)
                    use->recordUse(kind, text);
            });
    connect(page, &ListPage::changedByUser, use, [use, kind](const UserListChange& change) {
        if (change.isEdit())
            use->renamed(kind, change.oldText(), change.text());
        else if (change.isRemove())
            use->removed(kind, change.oldText());
        else if (change.isAdd())
            use->added(kind, change.text());
    });

    auto* mark = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), page);
    mark->setContext(Qt::WidgetWithChildrenShortcut);
    connect(mark, &QShortcut::activated, this, &ListUse::toggleFavourite);
    auto* keywords = new QShortcut(KeywordKeys, page);
    keywords->setContext(Qt::WidgetWithChildrenShortcut);
    connect(keywords, &QShortcut::activated, this, &ListUse::editKeywords);
    CatalogueView* view = page->view();
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, &ListUse::showContextMenu);
    // A drag that a target took is a use, as a copy is.
    connect(view, &CatalogueView::draggedOut, use,
            [use, kind](const QString& text) { use->recordUse(kind, text); });

    m_noMatch = new QLabel(view->viewport());
    m_noMatch->setObjectName(page->objectName() + QStringLiteral("NoMatch"));
    m_noMatch->setWordWrap(true);
    m_noMatch->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_noMatch->setForegroundRole(QPalette::PlaceholderText);
    m_noMatch->hide();
    connect(filter, &QAbstractItemModel::layoutChanged, this, &ListUse::refreshNoMatch);
    connect(filter, &QAbstractItemModel::modelReset, this, &ListUse::refreshNoMatch);
    connect(filter, &QAbstractItemModel::rowsInserted, this, &ListUse::refreshNoMatch);
    connect(filter, &QAbstractItemModel::rowsRemoved, this, &ListUse::refreshNoMatch);
    connect(page, &ListPage::filterClosed, this, &ListUse::refreshNoMatch);
    showUse();
}

void ListUse::attach(const QList<ListPage*>& pages, const PickFlow* pick, const QString& listFolder,
                     ZunoSmiley1& localizer)
{
    if (pages.isEmpty())
        return;
    auto* use = new EntryUse(listFolder, pages.front()->window());
    for (ListPage* page : pages)
        new ListUse(page, use, pick, localizer);
}

void ListUse::showUse()
{
    const CatalogueListModel::Kind kind = m_page->model()->kind();
    m_page->model()->setFavourites(m_use->favourites(kind), m_localizer.ID_INT_FAVOURITE_STATE());
    filterOf(m_page)->useChanged();
}

void ListUse::toggleFavourite()
{
    const int row = m_page->view()->selectedSourceRow();
    if (row < 0)
        return;
    const AtomicFileWriter::Result result =
        m_use->toggleFavourite(m_page->model()->kind(), m_page->model()->text(row).toString());
    if (!result)
        MessageBox::inform(m_page->window(), m_page->window()->windowTitle(),
                           SaveFailure::notice(m_localizer, m_use->favouritesPath(), result));
}

void ListUse::editKeywords()
{
    const int row = m_page->view()->selectedSourceRow();
    if (row < 0)
        return;
    const CatalogueListModel::Kind kind = m_page->model()->kind();
    const QString text = m_page->model()->text(row).toString();
    const auto why = [this](const QString& typed) {
        switch (KeywordStore::check(KeywordStore::parse(typed))) {
        case KeywordStore::Refusal::None:
            break;
        case KeywordStore::Refusal::TooMany:
            return m_localizer.ID_INT_REFUSE_TOO_MANY_KEYWORDS(KeywordStore::MaxKeywords);
        case KeywordStore::Refusal::TooLong:
            return m_localizer.ID_INT_REFUSE_KEYWORD_TOO_LONG(KeywordStore::MaxKeywordLength);
        case KeywordStore::Refusal::BrokenCharacter:
            return m_localizer.ID_INT_REFUSE_BROKEN_CHARACTER();
        }
        return QString();
    };
    KeywordDialog dialog(m_localizer, text, why, m_page->window());
    dialog.run(KeywordStore::join(m_use->keywords(kind, text)), [&](const QString& typed) {
        if (!why(typed).isEmpty())
            return false;
        // Not written, they hold for this run all the same: the notice says why.
        const AtomicFileWriter::Result result =
            m_use->setKeywords(kind, text, KeywordStore::parse(typed));
        if (!result)
            MessageBox::inform(m_page->window(), m_page->window()->windowTitle(),
                               SaveFailure::notice(m_localizer, m_use->keywordsPath(), result));
        return true;
    });
}

void ListUse::showContextMenu(const QPoint& position)
{
    CatalogueView* view = m_page->view();
    const QModelIndex at = view->indexAt(position);
    if (!at.isValid())
        return;
    m_page->select(m_page->sortedModel()->mapToSource(at).row());
    QMenu menu(view);
    const auto add = [&menu](const QString& text, const QKeySequence& keys, bool enabled) {
        QAction* action = menu.addAction(text);
        action->setShortcut(keys);
        action->setShortcutVisibleInContextMenu(true);
        action->setEnabled(enabled);
        return action;
    };
    QAction* copy = add(m_localizer.ID_INT_COPY(), QKeySequence::Copy, true);
    QAction* edit = add(m_localizer.ID_INT_EDIT(), QKeySequence(Qt::Key_Return),
                        m_page->button(ListPage::Edit)->isEnabled());
    QAction* remove = add(m_localizer.ID_INT_DELETE(), QKeySequence::Delete,
                          m_page->button(ListPage::Remove)->isEnabled());
    menu.addSeparator();
    QAction* favourite =
        add(m_localizer.ID_INT_FAVOURITE(), QKeySequence(Qt::CTRL | Qt::Key_D), true);
    favourite->setCheckable(true);
    favourite->setChecked(m_page->model()->isFavourite(m_page->view()->selectedSourceRow()));
    QAction* keywords = add(m_localizer.ID_INT_KEYWORDS(), KeywordKeys, true);
    const QAction* chosen = menu.exec(view->viewport()->mapToGlobal(position));
    if (chosen == copy)
        m_page->copySelected();
    else if (chosen == edit)
        m_page->editSelected();
    else if (chosen == remove)
        m_page->removeSelected();
    else if (chosen == favourite)
        toggleFavourite();
    else if (chosen == keywords)
        editKeywords();
}

void ListUse::refreshNoMatch()
{
    const bool none = filterOf(m_page)->isFiltering() && m_page->sortedModel()->rowCount() == 0;
    if (none) {
        m_noMatch->setText(m_localizer.ID_INT_NO_MATCH());
        m_noMatch->setGeometry(4, 8, m_page->view()->viewport()->width() - 8,
                               m_noMatch->heightForWidth(m_page->view()->viewport()->width() - 8));
    }
    m_noMatch->setVisible(none);
}
