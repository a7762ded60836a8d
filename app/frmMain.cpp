#include "frmMain.h"

#include "AboutPage.h"
#include "AppIcons.h"
#include "BusyPointer.h"
#include "CatalogueView.h"
#include "KeystrokeTyper.h"
#include "ListFileImport.h"
#include "ListFolder.h"
#include "ListPage.h"
#include "MessageBox.h"
#include "ModCommonCtrls.h"
#include "ModZunoSmiley.h"
#include "OVAcronym.h"
#include "OVSmiley.h"
#include "SaveFailure.h"
#include "SettingsStore.h"
#include "Twips.h"
#include "UserListReader.h"
#include "UserListStore.h"
#include "ZunoSmiley1.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

frmMain::frmMain(ModZunoSmiley& mod, QWidget* parent)
    : QWidget(parent)
    , m_mod(mod)
{
    const Twips twips;
    setFixedSize(twips.size(5520, 6585));
    setWindowIcon(AppIcons::program());
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabStrip1"));
    m_tabs->setGeometry(twips.rect(120, 120, 5295, 6375));
    m_tabs->setUsesScrollButtons(false);
    m_pages = {new ListPage(CatalogueListModel::Kind::Smileys, mod.Localizer()),
               new ListPage(CatalogueListModel::Kind::Acronyms, mod.Localizer())};
    m_about = new AboutPage;
    m_tabs->addTab(m_pages[SmileyTab], QStringLiteral("Smileys"));
    m_tabs->addTab(m_pages[AcronymTab], QStringLiteral("Acronyms"));
    m_tabs->addTab(m_about, QStringLiteral("About"));
    connect(m_tabs, &QTabWidget::tabBarClicked, this, [this](int i) { TabStrip1_Click(i + 1); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int i) {
        if (i >= 0 && i < ListCount)
            m_lastList = i;
    });
    connect(m_about, &AboutPage::languageChosen, this, &frmMain::CLanguage_Click);
    // The desktop's Quit keys close the window as its close box does.
    connect(new QShortcut(QKeySequence::Quit, this), &QShortcut::activated, this, &QWidget::close);

    m_smileyControl = new OVSmiley(this);
    m_smileyControl->setObjectName(QStringLiteral("OVSmiley1"));
    // Direct: one call per entry, its strings passed by reference.
    connect(m_smileyControl, &OVSmiley::NextSmiley, this, &frmMain::OVSmiley1_NextSmiley,
            Qt::DirectConnection);
    m_acronymControl = new OVAcronym(this);
    m_acronymControl->setObjectName(QStringLiteral("OVAcronym1"));
    connect(m_acronymControl, &OVAcronym::NextAcronym, this, &frmMain::OVAcronym1_NextAcronym,
            Qt::DirectConnection);
    m_stores = {new UserListStore(
                    mod, QStringLiteral("Smileys.smy"),
                    [this](const QString& path) {
                        m_smileyControl->LoadFile(path);
                        return m_smileyControl->lastFileRead();
                    },
                    this),
                new UserListStore(
                    mod, QStringLiteral("Acronyms.acr"),
                    [this](const QString& path) {
                        m_acronymControl->LoadFile(path);
                        return m_acronymControl->lastFileRead();
                    },
                    this)};
    // Each change of the user's is written at once; the lists follow their
    // files when another window or program changes them.
    for (int list = 0; list < ListCount; ++list) {
        connect(m_pages[list], &ListPage::changedByUser, m_stores[list], &UserListStore::record);
        connect(m_pages[list], &ListPage::filterAccepted, this, &frmMain::insertPicked);
        connect(m_pages[list], &ListPage::filterClosed, this, [this] { m_picking = false; });
        m_stores[list]->setRows([page = m_pages[list]](QByteArrayView present) {
            return page->userListBytes(present);
        });
        connect(m_stores[list], &UserListStore::entriesChanged, m_pages[list],
                &ListPage::showUserEntries);
        connect(m_stores[list], &UserListStore::writeFailed, this,
                [this, list](const AtomicFileWriter::Result& result) {
                    tellWriteFailed(list, result);
                });
    }
    Form_Load();
}

frmMain::~frmMain()
{
    Form_Unload();
}

ListPage* frmMain::page(int list) const
{
    return list >= 0 && list < ListCount ? m_pages[list] : nullptr;
}

UserListStore* frmMain::store(int list) const
{
    return list >= 0 && list < ListCount ? m_stores[list] : nullptr;
}

void frmMain::Form_Load()
{
    m_mod.registerListFileTypesWhenShown();
    for (ListPage* list : m_pages) {
        ModCommonCtrls::SetListViewExStyle(list->view(), ModCommonCtrls::LVS_EX_ONECLICKACTIVATE);
        ModCommonCtrls::SetListViewExStyle(list->view(), ModCommonCtrls::LVS_EX_TRACKSELECT);
        ModCommonCtrls::SetListViewExStyle(list->view(), ModCommonCtrls::LVS_EX_UNDERLINEHOT);
    }
    m_about->showLegalNotice();
    if (m_about->fillLanguages(m_mod.Localizer(), m_mod.CurrentLanguage))
        CLanguage_Click();
    Traduct();
    setWindowTitle(m_mod.AppTitle);
    for (ListPage* list : m_pages)
        list->button(ListPage::Edit)->setEnabled(false);

    // Built-in entries of both lists first, so that a user entry repeating
    // one of them is dropped.
    for (int list = 0; list < ListCount; ++list) {
        m_pages[list]->model()->beginBulkLoad();
        m_pages[list]->model()->reserve(expectedRows(m_stores[list]->path()));
        loadTable(list);
    }
    adoptProgramLists();
    for (int list = 0; list < ListCount; ++list) {
        QStringList builtIns;
        const CatalogueListModel* model = m_pages[list]->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->origin(row) == CatalogueListModel::Origin::Table)
                builtIns << model->text(row).toString();
        }
        m_stores[list]->setBuiltInTexts(builtIns);
        m_stores[list]->load();
        m_pages[list]->model()->squeeze();
        m_pages[list]->model()->endBulkLoad();
    }
    m_about->showLogo();
}

qsizetype frmMain::expectedRows(const QString& listFile)
{
    // The built-in entries, and about one user entry per 32 bytes of the
    // file, as far as the reader goes; squeeze() gives back what is left.
    constexpr qsizetype BuiltInRoom = 160;
    const qint64 size = std::min<qint64>(QFileInfo(listFile).size(), UserListReader::MaxFileSize);
    return BuiltInRoom + qsizetype(size / 32);
}

void frmMain::adoptProgramLists()
{
    // The program's folder cannot take the user's lists: at the first start
    // with the data folder, the lists kept beside the program come along.
    const QString folder = m_mod.listFolder();
    if (folder != ListFolder::userDataFolder())
        return;
    const QStringList copied = ListFolder::copyProgramLists(
        m_mod.programFolder(), folder,
        {m_stores[SmileyTab]->fileName(), m_stores[AcronymTab]->fileName()});
    if (!copied.isEmpty())
        MessageBox::inform(this, m_mod.AppTitle,
                           m_mod.Localizer().ID_INT_LISTS_COPIED(QDir::toNativeSeparators(folder)));
}

void frmMain::Form_Activate()
{
    BusyPointer::restoreNormal();
}

bool frmMain::Form_QueryUnload()
{
    if (!isMinimized())
        showMinimized();
    if (SaveEverything())
        return false;
    showNormal();
    return true;
}

bool frmMain::SaveEverything(bool mayAsk)
{
    ZunoSmiley1& localizer = m_mod.Localizer();
    QStringList failures;
    AtomicFileWriter::Result result;
    if (!m_mod.SaveSettings(&result))
        failures << SaveFailure::line(localizer, SettingsStore::fileName(), result);
    if (!(result = SaveSmileyList()))
        failures << SaveFailure::line(localizer, m_stores[SmileyTab]->path(), result);
    if (!(result = SaveAcronymList()))
        failures << SaveFailure::line(localizer, m_stores[AcronymTab]->path(), result);
    if (failures.isEmpty())
        return true;
    // One question for everything that could not be saved.
    return mayAsk &&
           MessageBox::askKeepOpen(this, m_mod.AppTitle,
                                   failures.join(QLatin1Char('\n')) + QStringLiteral("\n\n") +
                                       localizer.ID_INT_SAVE_QUESTION(),
                                   localizer.ID_BTN_KEEP_OPEN(),
                                   localizer.ID_BTN_CLOSE_ANYWAY()) == MessageBox::CloseAnyway;
}

void frmMain::importListFiles(const QStringList& files)
{
    if (files.isEmpty())
        return;
    const auto addTo = [this](int list) {
        return [page = m_pages[list]](const QString& text, const QString& description) {
            return page->addUserEntry(text, description);
        };
    };
    const QList<ListFileImport::FileReport> reports =
        ListFileImport::importFiles(files, addTo(SmileyTab), addTo(AcronymTab));
    ZunoSmiley1& localizer = m_mod.Localizer();
    MessageBox::inform(this, localizer.ID_INT_IMPORT_TITLE(),
                       ListFileImport::reportText(reports, localizer));
}

void frmMain::pick(const ActiveWindow& cameFrom)
{
    // Called up again while one of its own windows is in front, the window
    // remembered the first time stays the one to type into.
    const QWidget* own = cameFrom.isNull() ? nullptr : QWidget::find(WId(cameFrom.windowId()));
    if (!own || !m_picking)
        m_pickTarget = own ? ActiveWindow() : cameFrom;
    showNormal();
    raise();
    activateWindow();
    TabStrip1_Click(m_lastList + 1);
    // Each pick starts from the whole list.
    m_pages[m_lastList]->filterField()->clear();
    m_pages[m_lastList]->openFilter();
    m_picking = true;
    // Called up from a desktop shortcut, the window takes the keyboard as a
    // pager would give it: a window manager's focus-stealing guard, or an
    // activation stamped with an older time than the last focus change,
    // would otherwise leave the keys with the window the user came from.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        QTimer::singleShot(0, this, [this] { ActiveWindow::ofWindow(winId()).activate(); });
}

void frmMain::insertPicked(const QString& text)
{
    if (!m_picking)
        return;
    m_picking = false;
    // Out of the way, so that the window the user came from has the
    // keyboard again. A Wayland compositor may ignore a minimize request.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (wayland)
        hide();
    else
        showMinimized();
    QTimer::singleShot(0, this, [this, text, wayland, target = m_pickTarget] {
        if (wayland) {
            // The compositor gives the keyboard back once this window is gone.
            QElapsedTimer waited;
            waited.start();
            while (QGuiApplication::applicationState() == Qt::ApplicationActive &&
                   waited.elapsed() < 500)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        // On X11 the window is known, or nothing is typed: the keys would
        // go wherever the focus fell.
        const bool back = wayland || (!target.isNull() && target.activate());
        if (back && KeystrokeTyper::type(text) == KeystrokeTyper::Outcome::Typed)
            return;
        // Nothing could be typed there: the entry waits on the clipboard.
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(text);
        showNormal();
        raise();
        activateWindow();
        m_pages[m_lastList]->showNotice(m_mod.Localizer().ID_INT_PASTE_NOTICE());
    });
}

void frmMain::tellWriteFailed(int list, const AtomicFileWriter::Result& result)
{
    MessageBox::inform(this, m_mod.AppTitle,
                       SaveFailure::notice(m_mod.Localizer(), m_stores[list]->path(), result));
}

void frmMain::Form_Unload()
{
    // A closed window no longer follows its files.
    for (UserListStore* store : m_stores)
        store->stop();
    if (m_mod.MainWindow == this)
        m_mod.MainWindow = nullptr;
    m_unloaded = true;
}

void frmMain::registerPendingFileTypes()
{
    // A closed window may outlive the program state it was made for.
    if (!m_unloaded)
        m_mod.registerPendingFileTypes();
}

void frmMain::TabStrip1_Click(int tab)
{
    if (tab >= 1 && tab <= m_tabs->count())
        m_tabs->setCurrentIndex(tab - 1);
}

void frmMain::CLanguage_Click()
{
    const qint16 code = m_about->chosenLanguage();
    if (code == 0 || code == m_mod.CurrentLanguage)
        return;
    m_mod.CurrentLanguage = code;
    // The lists are rebuilt: a filter typed for the old ones ends.
    for (ListPage* list : m_pages)
        list->closeFilter();
    // Each list is built as at the start: emptied, the built-in entries in
    // the new language, the file through the control. The files already hold
    // every change, so nothing is saved; a list whose file does not hold all
    // yet keeps the user's entries from memory, so nothing is lost.
    for (int list = 0; list < ListCount; ++list) {
        UserListStore* store = m_stores[list];
        m_pages[list]->refill([this, list] { loadTable(list); },
                              store->hasPending() ? std::function<void()>()
                                                  : [store] { store->reload(); });
    }
    m_mod.Localizer().setLanguage(static_cast<ZunoSmiley1::LanguageConstants>(code));
    Traduct();
    // The refilled lists have no selection; the buttons follow.
    for (ListPage* list : m_pages)
        list->refreshButtons();
}

void frmMain::Traduct()
{
    ZunoSmiley1& localizer = m_mod.Localizer();
    m_tabs->setTabText(0, localizer.ID_INT_SMILEYS());
    m_tabs->setTabText(1, localizer.ID_INT_ACRONYMS());
    m_tabs->setTabText(2, localizer.ID_INT_ABOUT());
    for (ListPage* list : m_pages)
        list->retranslate();
    m_about->retranslate(localizer);
}

void frmMain::OVSmiley1_NextSmiley(const QString& Smiley, const QString& Description,
                                   qint16 Default)
{
    m_pages[SmileyTab]->addReportedEntry(Smiley, Description, Default);
}

void frmMain::OVAcronym1_NextAcronym(const QString& Acronym, const QString& Description,
                                     qint16 Default)
{
    m_pages[AcronymTab]->addReportedEntry(Acronym, Description, Default);
}

bool frmMain::EntryExists(int list, const QString& Text, bool ExceptSelected) const
{
    return page(list) && page(list)->entryExists(Text, ExceptSelected);
}

AtomicFileWriter::Result frmMain::SaveSmileyList()
{
    return saveList(SmileyTab);
}

AtomicFileWriter::Result frmMain::SaveAcronymList()
{
    return saveList(AcronymTab);
}

AtomicFileWriter::Result frmMain::saveList(int list)
{
    return m_stores[list]->flush();
}

void frmMain::loadTable(int list)
{
    if (list == SmileyTab) {
        m_smileyControl->setLanguage(m_mod.CurrentLanguage);
        m_smileyControl->LoadTable();
    } else {
        m_acronymControl->setLanguage(m_mod.CurrentLanguage);
        m_acronymControl->LoadTable();
    }
    m_pages[list]->setOtherDescriptions(otherLanguageDescriptions(list));
}

QStringList frmMain::otherLanguageDescriptions(int list) const
{
    // The filter finds a built-in entry in either language: a control of its
    // own reports the table in the language the window does not show.
    const qint16 other = m_mod.CurrentLanguage == 1 ? 2 : 1;
    QStringList descriptions;
    const auto collect = [&descriptions](const QString&, const QString& description, qint16) {
        descriptions << description;
    };
    if (list == SmileyTab) {
        OVSmiley control;
        connect(&control, &OVSmiley::NextSmiley, &control, collect, Qt::DirectConnection);
        control.setLanguage(other);
        control.LoadTable();
    } else {
        OVAcronym control;
        connect(&control, &OVAcronym::NextAcronym, &control, collect, Qt::DirectConnection);
        control.setLanguage(other);
        control.LoadTable();
    }
    return descriptions;
}

// The list handlers: the page of the tab index does the work.
void frmMain::ListView_Click(int Index)
{
    if (ListPage* list = page(Index))
        list->refreshButtons();
}

void frmMain::ListView_ItemClick(int Index)
{
    ListView_Click(Index);
}

void frmMain::ListView_ColumnClick(int Index, int position)
{
    if (ListPage* list = page(Index))
        list->sortByColumn(position);
}

void frmMain::ListView_KeyDown(int Index, int KeyCode)
{
    if (ListPage* list = page(Index))
        list->keyDown(KeyCode);
}

QMimeData* frmMain::ListView_OLEStartDrag(int Index, Qt::DropActions* AllowedEffects) const
{
    if (AllowedEffects)
        *AllowedEffects = Qt::CopyAction;
    ListPage* list = page(Index);
    return list ? list->dragData(AllowedEffects) : nullptr;
}

void frmMain::cmdCopy_Click(int Index)
{
    if (ListPage* list = page(Index))
        list->copySelected();
}

void frmMain::cmdAdd_Click(int Index)
{
    if (ListPage* list = page(Index))
        list->addEntry();
}

void frmMain::cmdEdit_Click(int Index)
{
    if (ListPage* list = page(Index))
        list->editSelected();
}

void frmMain::cmdRemove_Click(int Index)
{
    if (ListPage* list = page(Index))
        list->removeSelected();
}

bool frmMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    else if (event->type() == QEvent::Show) {
        // Without a window manager the window may never be activated; the
        // pointer must not stay busy all the same.
        QTimer::singleShot(0, this, &frmMain::Form_Activate);
        // The registration asked for at the start follows the first drawing,
        // or comes a moment later where the window is not drawn (a hidden
        // workspace).
        if (!m_drawn)
            QTimer::singleShot(1000, this, [this] { registerPendingFileTypes(); });
    } else if (event->type() == QEvent::Paint && !m_drawn) {
        m_drawn = true;
        // Queued: the first picture goes out before the registration runs.
        QTimer::singleShot(0, this, [this] { registerPendingFileTypes(); });
    }
    return QWidget::event(event);
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
