#include "frmMain.h"

#include "AppIcons.h"
#include "CatalogueListModel.h"
#include "CatalogueView.h"
#include "MessageBox.h"
#include "ModCommonCtrls.h"
#include "ModZunoSmiley.h"
#include "OVAcronym.h"
#include "OVObject.h"
#include "OVSmiley.h"
#include "SettingsStore.h"
#include "Twips.h"
#include "UserListFile.h"
#include "ZunoVersion.h"
#include "ZunoSmiley1.h"
#include "frmAddNew.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr qint16 BuiltIn = -1; // the catalogue controls' Default for a built-in entry

// A label's text without its access-key mark in front and its colon behind.
QString bareLabel(const QString& label)
{
    return label.size() >= 2 ? label.mid(1, label.size() - 2) : QString();
}

void restoreNormalPointer()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace

frmMain::frmMain(ModZunoSmiley& mod, QWidget* parent)
    : QWidget(parent)
    , m_mod(mod)
{
    createControls();
    Form_Load();
}

frmMain::~frmMain()
{
    if (m_mod.MainWindow == this)
        m_mod.MainWindow = nullptr;
}

void frmMain::createControls()
{
    const Twips twips;
    setFixedSize(twips.size(5520, 6585));
    setWindowIcon(AppIcons::program());

    TabStrip1 = new QTabWidget(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->setGeometry(twips.rect(120, 120, 5295, 6375));
    TabStrip1->setUsesScrollButtons(false);
    picSmiley = createListPage(SmileyTab);
    picAcronym = createListPage(AcronymTab);
    picAbout = createAboutPage();
    TabStrip1->addTab(picSmiley, QStringLiteral("Smileys"));
    TabStrip1->addTab(picAcronym, QStringLiteral("Acronyms"));
    TabStrip1->addTab(picAbout, QStringLiteral("About"));
    connect(TabStrip1, &QTabWidget::tabBarClicked, this,
            [this](int index) { TabStrip1_Click(index + 1); });
    // The desktop's Quit keys close the window as its close box does.
    auto* quit = new QShortcut(QKeySequence::Quit, this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);

    OVSmiley1 = new OVSmiley(this);
    OVSmiley1->setObjectName(QStringLiteral("OVSmiley1"));
    connect(OVSmiley1, &OVSmiley::NextSmiley, this, &frmMain::OVSmiley1_NextSmiley);
    OVAcronym1 = new OVAcronym(this);
    OVAcronym1->setObjectName(QStringLiteral("OVAcronym1"));
    connect(OVAcronym1, &OVAcronym::NextAcronym, this, &frmMain::OVAcronym1_NextAcronym);
}

QWidget* frmMain::createListPage(int list)
{
    const Twips twips;
    const bool smileys = list == SmileyTab;
    auto* page = new QWidget;
    page->setObjectName(smileys ? QStringLiteral("picSmiley") : QStringLiteral("picAcronym"));

    auto* model = new CatalogueListModel(
        smileys ? CatalogueListModel::Kind::Smileys : CatalogueListModel::Kind::Acronyms, this);
    model->setIcons(AppIcons::listIcons());
    auto* sorted = new QSortFilterProxyModel(this);
    sorted->setSourceModel(model);
    // Letter case aside, the same in every locale.
    sorted->setSortCaseSensitivity(Qt::CaseInsensitive);
    sorted->setSortLocaleAware(false);

    auto* view = new CatalogueView(page);
    view->setObjectName(smileys ? QStringLiteral("SmileyView") : QStringLiteral("AcronymView"));
    view->setModel(sorted);
    view->setGeometry(twips.rect(120, 240, 4215, 5535));
    view->setIconSize(QSize(16, 16));
    view->header()->resizeSection(CatalogueListModel::TextColumn, twips.toPixels(1500));
    // Selection changes that are not clicks (arrow keys, track selection)
    // refresh the buttons by the same rule as a click.
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, list] { ListView_Click(list); });
    connect(view, &QAbstractItemView::clicked, this, [this, list] { ListView_ItemClick(list); });
    connect(view->header(), &QHeaderView::sectionClicked, this,
            [this, list](int logical) { ListView_ColumnClick(list, logical + 1); });
    view->header()->setSortIndicatorShown(true);
    view->header()->setSortIndicator(-1, Qt::AscendingOrder);
    view->viewport()->installEventFilter(this);
    view->installEventFilter(this);
    view->setDragSource(
        [this, list](Qt::DropActions* allowed) { return ListView_OLEStartDrag(list, allowed); });

    struct Button
    {
        std::array<QToolButton*, ListCount>* array;
        const char* name;
        const char* icon;
        int top;
    };
    const Button buttons[] = {
        {&cmdCopy, "cmdCopy", "edit-copy", 240},
        {&cmdAdd, "cmdAdd", "list-add", 720},
        {&cmdEdit, "cmdEdit", "document-edit", 1200},
        {&cmdRemove, "cmdRemove", "list-remove", 1680},
    };
    for (const Button& b : buttons) {
        auto* button = new QToolButton(page);
        button->setObjectName(QLatin1String(b.name) + QString::number(list));
        button->setGeometry(twips.rect(4440, b.top, 495, 375));
        button->setIcon(AppIcons::button(QLatin1String(b.icon)));
        button->setIconSize(QSize(16, 16));
        button->setAutoRaise(false);
        (*b.array)[list] = button;
    }
    connect(cmdCopy[list], &QToolButton::clicked, this, [this, list] { cmdCopy_Click(list); });
    connect(cmdAdd[list], &QToolButton::clicked, this, [this, list] { cmdAdd_Click(list); });
    connect(cmdEdit[list], &QToolButton::clicked, this, [this, list] { cmdEdit_Click(list); });
    connect(cmdRemove[list], &QToolButton::clicked, this, [this, list] { cmdRemove_Click(list); });
    // Copy and Remove start disabled; the load disables Edit.
    cmdCopy[list]->setEnabled(false);
    cmdRemove[list]->setEnabled(false);

    m_views[list] = view;
    m_lists[list] = model;
    m_sortedLists[list] = sorted;
    (smileys ? SmileyView : AcronymView) = view;
    return page;
}

QWidget* frmMain::createAboutPage()
{
    const Twips twips;
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("picAbout"));

    picIcon = new QLabel(page);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(twips.rect(240, 240, 480, 480));
    picIcon->setPixmap(AppIcons::program().pixmap(picIcon->size(), devicePixelRatioF()));

    lblTitle = new QLabel(QStringLiteral("Orvak Zuno Smileys"), page);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setGeometry(twips.rect(960, 240, 3900, 300));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(QStringLiteral("Version ") + QLatin1String(ZUNO_VERSION_TEXT), page);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(twips.rect(960, 540, 3900, 255));

    picLogo = new QLabel(page);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setGeometry(QRect(twips.toPixels(240), twips.toPixels(1080), 136, 36));

    lblDescription = new QLabel(page);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setGeometry(twips.rect(240, 1800, 4575, 780));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Frame1 = new QGroupBox(QStringLiteral("Interface"), page);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twips.rect(240, 2760, 4575, 900));
    CLanguage = new QComboBox(Frame1);
    CLanguage->setObjectName(QStringLiteral("CLanguage"));
    CLanguage->setGeometry(twips.rect(240, 360, 4095, 375));
    connect(CLanguage, &QComboBox::activated, this, [this] { CLanguage_Click(); });

    lblCourtesy = new QLabel(page);
    lblCourtesy->setObjectName(QStringLiteral("lblCourtesy"));
    lblCourtesy->setGeometry(twips.rect(240, 5280, 4575, 375));
    lblCourtesy->setWordWrap(true);
    return page;
}

void frmMain::Form_Load()
{
    m_mod.RegisterListFileTypes();
    for (CatalogueView* list : m_views) {
        ModCommonCtrls::SetListViewExStyle(list, ModCommonCtrls::LVS_EX_ONECLICKACTIVATE);
        ModCommonCtrls::SetListViewExStyle(list, ModCommonCtrls::LVS_EX_TRACKSELECT);
        ModCommonCtrls::SetListViewExStyle(list, ModCommonCtrls::LVS_EX_UNDERLINEHOT);
    }
    lblDescription->setText(QString::fromUtf8(ZUNO_LEGAL_NOTICE));

    ZunoSmiley1& localizer = m_mod.Localizer();
    const int count = localizer.GetDllLanguagesCount();
    for (int code = 1; code <= count; ++code)
        CLanguage->addItem(localizer.GetDllLanguageName(code), code);
    const int current = CLanguage->findData(int(m_mod.CurrentLanguage));
    if (current >= 0) {
        CLanguage->setCurrentIndex(current);
        CLanguage_Click();
    }

    Traduct();
    setWindowTitle(m_mod.AppTitle);
    for (int list = 0; list < ListCount; ++list)
        cmdEdit[list]->setEnabled(false);

    // Built-in entries of both lists first, so that a user entry repeating
    // one of them is dropped.
    for (int list = 0; list < ListCount; ++list) {
        m_lists[list]->beginBulkLoad();
        loadTable(list);
    }
    for (int list = 0; list < ListCount; ++list) {
        loadFile(list);
        m_lists[list]->endBulkLoad();
    }

    picLogo->setPixmap(AppIcons::logo(devicePixelRatioF()));
    m_loaded = true;
}

void frmMain::Form_Activate()
{
    restoreNormalPointer();
}

bool frmMain::Form_QueryUnload()
{
    bool cancel = true;
    if (!isMinimized())
        showMinimized();
    if (SaveEverything())
        cancel = false;
    else
        showNormal();
    return cancel;
}

bool frmMain::SaveEverything(bool mayAsk)
{
    struct Failure
    {
        QString file;
        QString reason;
    };
    QList<Failure> failures;
    if (!m_mod.SaveSettings())
        failures.append({QDir::toNativeSeparators(SettingsStore::fileName()),
                         QStringLiteral("the settings store cannot be written")});
    for (int list = 0; list < ListCount; ++list) {
        QString reason;
        if (!saveUserList(list, &reason))
            failures.append(
                {QDir::toNativeSeparators(m_mod.listFilePath(listFileName(list))), reason});
    }
    if (failures.isEmpty())
        return true;
    if (!mayAsk)
        return false;

    // One question for everything that could not be saved.
    ZunoSmiley1& localizer = m_mod.Localizer();
    QStringList lines;
    for (const Failure& failure : std::as_const(failures))
        lines << localizer.ID_INT_SAVE_FAILED(failure.file, failure.reason);
    const QString text =
        lines.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + localizer.ID_INT_SAVE_QUESTION();
    if (MessageBox::askKeepOpen(this, m_mod.AppTitle, text, localizer.ID_BTN_KEEP_OPEN(),
                                localizer.ID_BTN_CLOSE_ANYWAY()) == MessageBox::KeepOpen)
        return false;
    return true;
}

void frmMain::Form_Unload()
{
    if (m_mod.MainWindow == this)
        m_mod.MainWindow = nullptr;
}

void frmMain::TabStrip1_Click(int tab)
{
    const std::array<QWidget*, 3> pages = {picSmiley, picAcronym, picAbout};
    if (tab >= 1 && tab <= int(pages.size()))
        TabStrip1->setCurrentWidget(pages[tab - 1]);
}

void frmMain::CLanguage_Click()
{
    const int row = CLanguage->currentIndex();
    if (row < 0)
        return;
    const qint16 code = qint16(CLanguage->itemData(row).toInt());
    if (code == m_mod.CurrentLanguage)
        return;
    m_mod.CurrentLanguage = code;
    rebuildList(SmileyTab);
    rebuildList(AcronymTab);
    m_mod.Localizer().setLanguage(static_cast<ZunoSmiley1::LanguageConstants>(code));
    Traduct();
    // The rebuilt lists have no selection; the buttons follow.
    for (int list = 0; list < ListCount; ++list)
        refreshButtons(list);
}

void frmMain::Traduct()
{
    ZunoSmiley1& localizer = m_mod.Localizer();
    TabStrip1->setTabText(0, localizer.ID_INT_SMILEYS());
    TabStrip1->setTabText(1, localizer.ID_INT_ACRONYMS());
    TabStrip1->setTabText(2, localizer.ID_INT_ABOUT());
    const QString smileyHeader = bareLabel(localizer.ID_INT_SMILEY());
    const QString descriptionHeader = bareLabel(localizer.ID_INT_DESCRIPTION());
    const QString acronymHeader = bareLabel(localizer.ID_INT_ACRONYM());
    m_lists[SmileyTab]->setHeaders(smileyHeader, descriptionHeader);
    m_lists[AcronymTab]->setHeaders(acronymHeader, descriptionHeader);
    lblCourtesy->setText(localizer.ID_INT_COURTESY(QStringLiteral(".Net"), QString()));
    for (int list = 0; list < ListCount; ++list) {
        cmdCopy[list]->setToolTip(localizer.ID_INT_COPY());
        cmdAdd[list]->setToolTip(localizer.ID_INT_NEW());
        cmdEdit[list]->setToolTip(localizer.ID_INT_EDIT());
        cmdRemove[list]->setToolTip(localizer.ID_INT_DELETE());
    }
    // The pictures speak for themselves; screen readers get the command name.
    for (int list = 0; list < ListCount; ++list) {
        cmdCopy[list]->setAccessibleName(localizer.ID_INT_COPY());
        cmdAdd[list]->setAccessibleName(localizer.ID_INT_NEW());
        cmdEdit[list]->setAccessibleName(localizer.ID_INT_EDIT());
        cmdRemove[list]->setAccessibleName(localizer.ID_INT_DELETE());
    }
}

void frmMain::OVSmiley1_NextSmiley(const QString& Smiley, const QString& Description,
                                   qint16 Default)
{
    addEntry(SmileyTab, Smiley, Description, Default);
}

void frmMain::OVAcronym1_NextAcronym(const QString& Acronym, const QString& Description,
                                     qint16 Default)
{
    addEntry(AcronymTab, Acronym, Description, Default);
}

void frmMain::addEntry(int list, const QString& text, const QString& description, qint16 Default)
{
    using Origin = CatalogueListModel::Origin;
    if (Default == BuiltIn) {
        m_lists[list]->append({text, description, Origin::Table});
        return;
    }
    if (!EntryExists(list, CatalogueListModel::trimBlanks(text).toString(), false))
        m_lists[list]->append({text, description, Origin::File});
}

bool frmMain::EntryExists(int list, const QString& Text, bool ExceptSelected) const
{
    if (list < 0 || list >= ListCount)
        return false;
    const int except = ExceptSelected ? m_views[list]->selectedSourceRow() : -1;
    return m_lists[list]->containsText(Text, except);
}

bool frmMain::SaveSmileyList(QString* errorString)
{
    return saveUserList(SmileyTab, errorString);
}

bool frmMain::SaveAcronymList(QString* errorString)
{
    return saveUserList(AcronymTab, errorString);
}

bool frmMain::saveUserList(int list, QString* errorString)
{
    QList<UserListFile::Record> records;
    records.reserve(m_lists[list]->rowCount());
    for (const auto& entry : m_lists[list]->userEntries())
        records.append({entry.text, entry.description});
    return UserListFile::save(m_mod.listFilePath(listFileName(list)), records, errorString);
}

QString frmMain::listFileName(int list) const
{
    return list == SmileyTab ? QStringLiteral("Smileys.smy") : QStringLiteral("Acronyms.acr");
}

void frmMain::rebuildList(int list)
{
    CatalogueListModel* model = m_lists[list];
    // The user's entries as they are now, added, edited or removed since the
    // start. The file is brought up to date too, but the list does not depend
    // on reading it back.
    const QList<CatalogueListModel::Entry> userEntries = model->userEntries();
    saveUserList(list, nullptr);

    model->beginBulkLoad();
    model->clear();
    loadTable(list);
    for (const auto& entry : userEntries)
        addEntry(list, entry.text, entry.description, 0);
    model->endBulkLoad();
}

void frmMain::loadTable(int list)
{
    if (list == SmileyTab) {
        OVSmiley1->setLanguage(m_mod.CurrentLanguage);
        OVSmiley1->LoadTable();
    } else {
        OVAcronym1->setLanguage(m_mod.CurrentLanguage);
        OVAcronym1->LoadTable();
    }
}

void frmMain::loadFile(int list)
{
    const QString path = m_mod.listFilePath(listFileName(list));
    if (list == SmileyTab)
        OVSmiley1->LoadFile(path);
    else
        OVAcronym1->LoadFile(path);
}

bool frmMain::UserEntryExists(int list, const QString& Text, bool ExceptSelected) const
{
    if (list < 0 || list >= ListCount)
        return false;
    const int except = ExceptSelected ? m_views[list]->selectedSourceRow() : -1;
    return m_lists[list]->containsTrimmedText(Text, except);
}

void frmMain::ListView_Click(int Index)
{
    if (Index >= 0 && Index < ListCount)
        refreshButtons(Index);
}

void frmMain::ListView_ItemClick(int Index)
{
    ListView_Click(Index);
}

void frmMain::ListView_ColumnClick(int Index, int position)
{
    if (Index < 0 || Index >= ListCount || position < 1 || position > 2)
        return;
    qint16& toggle = Index == SmileyTab ? SmileySortFlag : AcronymSortFlag;
    toggle ^= 1;
    m_views[Index]->sortByColumn(position - 1,
                                 toggle == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void frmMain::ListView_KeyDown(int Index, int KeyCode)
{
    if (Index < 0 || Index >= ListCount)
        return;
    if (KeyCode == Qt::Key_Delete && cmdRemove[Index]->isEnabled())
        cmdRemove_Click(Index);
    else if ((KeyCode == Qt::Key_Return || KeyCode == Qt::Key_Enter) && cmdEdit[Index]->isEnabled())
        cmdEdit_Click(Index);
}

QMimeData* frmMain::ListView_OLEStartDrag(int Index, Qt::DropActions* AllowedEffects) const
{
    if (AllowedEffects)
        *AllowedEffects = Qt::CopyAction;
    if (Index < 0 || Index >= ListCount)
        return nullptr;
    const int row = m_views[Index]->selectedSourceRow();
    if (row < 0)
        return nullptr;
    return m_lists[Index]->mimeData({m_lists[Index]->index(row, 0)});
}

void frmMain::cmdCopy_Click(int Index)
{
    if (Index < 0 || Index >= ListCount)
        return;
    const int row = m_views[Index]->selectedSourceRow();
    if (row < 0)
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(m_lists[Index]->entry(row).text);
}

void frmMain::cmdAdd_Click(int Index)
{
    runEntryDialog(Index, false);
}

void frmMain::cmdEdit_Click(int Index)
{
    // Only the user's own entries are edited.
    if (selectedUserRow(Index) < 0)
        return;
    runEntryDialog(Index, true);
}

void frmMain::runEntryDialog(int Index, bool edit)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ZunoSmiley1& localizer = m_mod.Localizer();
    // The bare kind words: "&Smiley:" gives "Smiley".
    const QString smileyWord = bareLabel(localizer.ID_INT_SMILEY());
    const QString acronymWord = bareLabel(localizer.ID_INT_ACRONYM());

    // A fresh dialog for every command.
    auto dialog = std::make_unique<frmAddNew>(localizer, this);
    dialog->setWindowTitle((edit ? localizer.ID_INT_EDIT() : localizer.ID_INT_NEW()) +
                           QLatin1Char(' ') + (Index == SmileyTab ? smileyWord : acronymWord));
    dialog->lblItem->setText(Index == SmileyTab ? localizer.ID_INT_SMILEY()
                                                : localizer.ID_INT_ACRONYM());
    const int row = edit ? selectedUserRow(Index) : -1;
    if (row >= 0) {
        dialog->CItem->setText(m_lists[Index]->entry(row).text);
        dialog->CDescription->setText(m_lists[Index]->entry(row).description);
    }
    dialog->exec();
    // The pointer is normal again whatever became of the dialog.
    restoreNormalPointer();

    if (dialog->HitOk && Index >= 0 && Index < ListCount) {
        CatalogueListModel* model = m_lists[Index];
        const QString text = dialog->CItem->text();
        const QString description = dialog->CDescription->text();
        if (!edit) {
            if (!UserEntryExists(Index, text, false))
                model->append({text, description, CatalogueListModel::Origin::File});
        } else if (row >= 0) {
            // The entry the dialog was opened for is the one excepted, even
            // if the selection moved meanwhile. An entry that keeps its text
            // meets at the next load whatever it met before, so only an
            // entry of exactly that text refuses it.
            const bool taken = text == model->entry(row).text
                                   ? model->containsText(text, row)
                                   : model->containsTrimmedText(text, row);
            if (!taken)
                model->setEntry(row, text, description);
        }
    }
    dialog->CanUnload = true;
}

void frmMain::cmdRemove_Click(int Index)
{
    const int row = selectedUserRow(Index);
    if (row < 0)
        return;
    m_lists[Index]->removeRows(row, 1);
    // The list does not move the selection to a neighbour: a second Delete
    // must not take another entry.
    m_views[Index]->selectionModel()->clearSelection();
    ListView_Click(Index);
}

int frmMain::selectedUserRow(int list) const
{
    if (list < 0 || list >= ListCount)
        return -1;
    const int row = m_views[list]->selectedSourceRow();
    if (row < 0 || m_lists[list]->entry(row).origin != CatalogueListModel::Origin::File)
        return -1;
    return row;
}

void frmMain::refreshButtons(int list)
{
    const int row = m_views[list]->selectedSourceRow();
    const bool anySelected = row >= 0;
    cmdCopy[list]->setEnabled(anySelected);
    cmdRemove[list]->setEnabled(anySelected && m_lists[list]->entry(row).origin ==
                                                   CatalogueListModel::Origin::File);
    cmdEdit[list]->setEnabled(cmdRemove[list]->isEnabled());
}

CatalogueView* frmMain::view(int list) const
{
    return list >= 0 && list < ListCount ? m_views[list] : nullptr;
}

CatalogueListModel* frmMain::list(int list) const
{
    return list >= 0 && list < ListCount ? m_lists[list] : nullptr;
}

QSortFilterProxyModel* frmMain::sortedList(int list) const
{
    return list >= 0 && list < ListCount ? m_sortedLists[list] : nullptr;
}

bool frmMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    else if (event->type() == QEvent::Show)
        // Without a window manager the window may never be activated; the
        // pointer must not stay busy all the same.
        QTimer::singleShot(0, this, &frmMain::Form_Activate);
    return QWidget::event(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    for (int list = 0; list < ListCount; ++list) {
        CatalogueView* view = m_views[list];
        if (watched == view && event->type() == QEvent::KeyPress) {
            // The list still sees the key afterwards.
            ListView_KeyDown(list, static_cast<QKeyEvent*>(event)->key());
        } else if (watched == view->viewport() && event->type() == QEvent::MouseButtonRelease) {
            // A click anywhere in the list, on an entry or not.
            QTimer::singleShot(0, this, [this, list] { ListView_Click(list); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}
