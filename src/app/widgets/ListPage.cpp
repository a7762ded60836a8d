#include "app/widgets/ListPage.h"

#include "app/assets/AppIcons.h"
#include "app/dialogs/EntryEditor.h"
#include "app/models/CatalogueFilter.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/FadingNotice.h"
#include "compat/Twips.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr qint16 BuiltIn = -1; // the catalogue controls' Default for a built-in entry

// A label's text without its access-key mark in front and its colon behind.
QString bareLabel(const QString& label)
{
    return label.size() >= 2 ? label.mid(1, label.size() - 2) : QString();
}

} // namespace

ListPage::ListPage(CatalogueListModel::Kind kind, ZunoSmiley1& localizer, QWidget* parent)
    : QWidget(parent)
    , m_localizer(localizer)
{
    const Twips twips;
    const bool smileys = kind == CatalogueListModel::Kind::Smileys;
    setObjectName(smileys ? QStringLiteral("picSmiley") : QStringLiteral("picAcronym"));

    m_model = new CatalogueListModel(kind, this);
    m_model->setIcons(AppIcons::listIcons());
    m_sorted = new CatalogueFilter(this);
    m_sorted->setSourceModel(m_model);

    m_view = new CatalogueView(this);
    m_view->setObjectName(smileys ? QStringLiteral("SmileyView") : QStringLiteral("AcronymView"));
    m_view->setModel(m_sorted);
    m_view->setGeometry(twips.rect(ListLeft, ListTop, ListWidth, ListHeight));
    m_view->setIconSize(QSize(16, 16));
    m_view->header()->resizeSection(CatalogueListModel::TextColumn, twips.toPixels(1500));
    // Selection changes that are not clicks (arrow keys, track selection)
    // refresh the buttons by the same rule as a click.
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListPage::refreshButtons);
    connect(m_view, &QAbstractItemView::clicked, this, &ListPage::refreshButtons);
    connect(m_view->header(), &QHeaderView::sectionClicked, this,
            [this](int logical) { sortByColumn(logical + 1); });
    m_view->header()->setSortIndicatorShown(true);
    m_view->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->viewport()->installEventFilter(this);
    m_view->installEventFilter(this);
    m_view->setDragSource([this](Qt::DropActions* allowed) { return dragData(allowed); });
    connect(m_view, &QAbstractItemView::doubleClicked, this, &ListPage::copySelected);

    // The filter bar, closed until asked for.
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("txtFilter") + QString::number(smileys ? 0 : 1));
    // No clear button: it is a theme look-up at every start, and Escape clears.
    m_filter->installEventFilter(this);
    m_filter->hide();
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_sorted->setFilterWords(text);
        refreshButtons();
    });

    struct Button
    {
        const char* name;
        const char* icon;
        int top;
    };
    const Button buttons[CommandCount] = {
        {"cmdCopy", "edit-copy", 240},
        {"cmdAdd", "list-add", 720},
        {"cmdEdit", "document-edit", 1200},
        {"cmdRemove", "list-remove", 1680},
    };
    for (int c = 0; c < CommandCount; ++c) {
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(buttons[c].name) + QString::number(smileys ? 0 : 1));
        button->setGeometry(twips.rect(4440, buttons[c].top, 495, 375));
        button->setIcon(AppIcons::button(QLatin1String(buttons[c].icon)));
        button->setIconSize(QSize(16, 16));
        button->setAutoRaise(false);
        m_buttons[c] = button;
    }
    // The notice after a copy, in the list's corner nearest the Copy button.
    m_notice = new FadingNotice(m_view->viewport());
    m_notice->setObjectName(QStringLiteral("lblCopied") + QString::number(smileys ? 0 : 1));

    // Copy and Remove start disabled; the load disables Edit.
    m_buttons[Copy]->setEnabled(false);
    m_buttons[Remove]->setEnabled(false);
}

void ListPage::retranslate()
{
    const bool smileys = m_model->kind() == CatalogueListModel::Kind::Smileys;
    m_model->setHeaders(
        bareLabel(smileys ? m_localizer.ID_INT_SMILEY() : m_localizer.ID_INT_ACRONYM()),
        bareLabel(m_localizer.ID_INT_DESCRIPTION()));
    const QString names[CommandCount] = {m_localizer.ID_INT_COPY(), m_localizer.ID_INT_NEW(),
                                         m_localizer.ID_INT_EDIT(), m_localizer.ID_INT_DELETE()};
    for (int c = 0; c < CommandCount; ++c) {
        m_buttons[c]->setToolTip(names[c]);
        // The pictures speak for themselves; screen readers get the command name.
        m_buttons[c]->setAccessibleName(names[c]);
    }
    m_view->setAccessibleName(smileys ? m_localizer.ID_INT_SMILEY_LIST()
                                      : m_localizer.ID_INT_ACRONYM_LIST());
    m_view->setAccessibleDescription(m_localizer.ID_INT_LIST_HELP());
    m_filter->setPlaceholderText(m_localizer.ID_INT_FILTER());
    m_filter->setAccessibleName(m_localizer.ID_INT_FILTER());
    m_filter->setAccessibleDescription(m_localizer.ID_INT_FILTER_HELP());
}

QAbstractProxyModel* ListPage::sortedModel() const
{
    return m_sorted;
}

QLabel* ListPage::copiedNotice() const
{
    return m_notice;
}

void ListPage::setOtherDescriptions(const QStringList& descriptions)
{
    m_sorted->setOtherDescriptions(descriptions);
}

void ListPage::openFilter(const QString& typed)
{
    if (m_filter->isHidden()) {
        placeFilterBar(true);
        m_filter->show();
        m_sorted->prepare();
    }
    m_filter->setFocus(Qt::ShortcutFocusReason);
    if (!typed.isEmpty())
        m_filter->insert(typed);
}

void ListPage::closeFilter()
{
    // The list takes the focus back only from the bar: the language switch
    // closes the bar while the user is in the About page.
    const bool hadFocus = m_filter->hasFocus();
    m_filter->clear();
    m_sorted->forgetKeys();
    if (!m_filter->isHidden()) {
        m_filter->hide();
        placeFilterBar(false);
    }
    if (hadFocus)
        m_view->setFocus(Qt::OtherFocusReason);
    Q_EMIT filterClosed();
}

void ListPage::placeFilterBar(bool open)
{
    // Open, the bar takes the bottom of the list's place, at least as high
    // as the style draws a field; closed, the list has its designed size.
    const Twips twips;
    const QRect list = twips.rect(ListLeft, ListTop, ListWidth, ListHeight);
    const int bar = open ? qMax(twips.toPixels(375), m_filter->sizeHint().height()) : 0;
    m_view->setGeometry(list.adjusted(0, 0, 0, -bar));
    m_filter->setGeometry(list.left(), list.bottom() + 1 - bar, list.width(), bar);
}

void ListPage::addReportedEntry(const QString& text, const QString& description, qint16 Default)
{
    using Origin = CatalogueListModel::Origin;
    if (Default == BuiltIn)
        m_model->append({text, description, Origin::Table});
    else
        m_model->appendLoaded({text, description, Origin::File});
}

bool ListPage::entryExists(const QString& text, bool exceptSelected) const
{
    return m_model->entryExists(text, exceptSelected ? m_view->selectedSourceRow() : -1);
}

void ListPage::refreshButtons()
{
    const int row = m_view->selectedSourceRow();
    m_buttons[Copy]->setEnabled(row >= 0);
    m_buttons[Remove]->setEnabled(selectedUserRow() >= 0);
    m_buttons[Edit]->setEnabled(m_buttons[Remove]->isEnabled());
}

void ListPage::sortByColumn(int position)
{
    if (position < 1 || position > 2)
        return;
    m_sortFlag ^= 1;
    m_view->sortByColumn(position - 1, m_sortFlag == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void ListPage::keyDown(int key)
{
    if (key == Qt::Key_Delete && m_buttons[Remove]->isEnabled())
        removeSelected();
    else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_buttons[Edit]->isEnabled())
        editSelected();
}

QMimeData* ListPage::dragData(Qt::DropActions* allowedEffects) const
{
    if (allowedEffects)
        *allowedEffects = Qt::CopyAction;
    const int row = m_view->selectedSourceRow();
    return row < 0 ? nullptr : m_model->mimeData({m_model->index(row, 0)});
}

void ListPage::copySelected()
{
    const int row = m_view->selectedSourceRow();
    if (row < 0)
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(m_model->text(row).toString());
    showNotice(m_localizer.ID_INT_COPIED());
    Q_EMIT entryUsed(m_model->text(row).toString());
}

QString ListPage::chosenText() const
{
    int row = m_view->selectedSourceRow();
    if (row < 0 && m_sorted->rowCount() > 0)
        row = m_sorted->mapToSource(m_sorted->index(0, 0)).row();
    return row < 0 ? QString() : m_model->text(row).toString();
}

void ListPage::showNotice(const QString& text)
{
    m_notice->showText(text);
}

void ListPage::addEntry()
{
    runEntryDialog(false);
}

void ListPage::editSelected()
{
    // Only the user's own entries are edited.
    if (selectedUserRow() >= 0)
        runEntryDialog(true);
}

void ListPage::removeSelected()
{
    const int row = selectedUserRow();
    if (row < 0)
        return;
    const QString text = m_model->text(row).toString();
    const QString description = m_model->description(row).toString();
    m_model->removeRows(row, 1);
    // The list does not move the selection to a neighbour: a second Delete
    // must not take another entry.
    m_view->selectionModel()->clearSelection();
    refreshButtons();
    Q_EMIT changedByUser(UserListChange::remove(text).withOldDescription(description));
}

bool ListPage::removeUserEntry(const QString& text)
{
    const int row = m_model->userRow(text);
    if (row < 0)
        return false;
    select(row);
    removeSelected();
    return true;
}

bool ListPage::addUserEntry(const QString& text, const QString& description)
{
    if (entryExists(text, false))
        return false;
    m_model->append({text, description, CatalogueListModel::Origin::File});
    Q_EMIT changedByUser(UserListChange::add(text, description));
    return true;
}

bool ListPage::editUserEntry(const QString& oldText, const QString& text,
                             const QString& description)
{
    const int row = m_model->userRow(oldText);
    std::optional<QString> before;
    if (row < 0) {
        // Gone while the dialog was open: what the user typed is not lost.
        if (entryExists(text, false))
            return false;
        m_model->append({text, description, CatalogueListModel::Origin::File});
    } else {
        // The entry is selected again, so that it is the one excepted.
        select(row);
        if (entryExists(text, true))
            return false;
        before = m_model->description(row).toString();
        m_model->setEntry(row, text, description);
    }
    Q_EMIT changedByUser(
        UserListChange::edit(oldText, text, description).withOldDescription(before));
    return true;
}

void ListPage::select(int row)
{
    m_view->selectionModel()->setCurrentIndex(m_sorted->mapFromSource(m_model->index(row, 0)),
                                              QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
}

int ListPage::selectedUserRow() const
{
    const int row = m_view->selectedSourceRow();
    if (row < 0 || m_model->origin(row) != CatalogueListModel::Origin::File)
        return -1;
    return row;
}

void ListPage::runEntryDialog(bool edit)
{
    std::optional<UserListFormat::Entry> editing;
    if (edit) {
        const CatalogueListModel::Entry entry = m_model->entry(selectedUserRow());
        editing = UserListFormat::Entry{entry.text, entry.description};
    }
    const QString original = editing ? editing->text : QString();
    // Another window may have taken the text while the dialog was open: the
    // dialog then comes back with what was typed, saying so.
    const bool added =
        EntryEditor(m_localizer, *m_model, window())
            .run(editing, [this, edit, &original](const QString& text, const QString& description) {
                return edit ? editUserEntry(original, text, description)
                            : addUserEntry(text, description);
            });
    if (added && !edit) {
        // The new entry is shown, not selected; the import of a list file
        // adds through addUserEntry too, and scrolls nowhere.
        m_view->scrollTo(m_sorted->mapFromSource(m_model->index(m_model->rowCount() - 1, 0)));
    }
}

bool ListPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The entry's text, whichever cell has the focus.
        if (key->matches(QKeySequence::Copy)) {
            copySelected();
            return true;
        }
        const bool command =
            key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (!command && !key->text().isEmpty() && key->text().at(0).isPrint() &&
            !key->text().at(0).isSpace()) {
            openFilter(key->text());
            return true;
        }
        // The list still sees the key afterwards.
        keyDown(key->key());
    } else if (watched == m_filter && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            closeFilter();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QString text = chosenText();
            if (!text.isEmpty())
                Q_EMIT filterAccepted(text);
            return true;
        }
        if (key == Qt::Key_Down) {
            // Into the list, on its first entry when none is chosen.
            m_view->setFocus(Qt::TabFocusReason);
            if (m_view->selectedSourceRow() < 0 && m_sorted->rowCount() > 0)
                m_view->setCurrentIndex(m_sorted->index(0, 0));
            return true;
        }
    } else if (watched == m_view->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // A click anywhere in the list, on an entry or not.
        QTimer::singleShot(0, this, &ListPage::refreshButtons);
    }
    return QWidget::eventFilter(watched, event);
}
