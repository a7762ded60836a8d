#include "app/frmMain.h"

#include "app/ModZunoSmiley.h"
#include "app/assets/AppIcons.h"
#include "app/dialogs/BusyPointer.h"
#include "app/dialogs/MessageBox.h"
#include "app/flows/ListController.h"
#include "app/flows/ListImportFlow.h"
#include "app/flows/ListUndo.h"
#include "app/flows/ListUse.h"
#include "app/flows/PickFlow.h"
#include "app/flows/WindowKeys.h"
#include "app/models/CatalogueListModel.h"
#include "app/settings/SettingsStore.h"
#include "app/widgets/AboutPage.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"
#include "app/widgets/ModCommonCtrls.h"
#include "app/widgets/WindowFit.h"
#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "lists/ListRecovery.h"
#include "lists/SaveFailure.h"
#include "lists/UserListStore.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

frmMain::frmMain(ModZunoSmiley& mod, QWidget* parent)
    : QWidget(parent)
    , m_mod(mod)
{
    const Twips twips = WindowFit::fitting(5520, 6585);
    setFixedSize(twips.size(5520, 6585));
    setWindowIcon(AppIcons::program());
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabStrip1"));
    m_tabs->setGeometry(twips.rect(120, 120, 5295, 6375));
    m_tabs->setUsesScrollButtons(false);
    auto* smileys = new ListPage(CatalogueListModel::Kind::Smileys, mod.Localizer());
    auto* acronyms = new ListPage(CatalogueListModel::Kind::Acronyms, mod.Localizer());
    m_about = new AboutPage;
    m_tabs->addTab(smileys, QStringLiteral("Smileys"));
    m_tabs->addTab(acronyms, QStringLiteral("Acronyms"));
    m_tabs->addTab(m_about, QStringLiteral("About"));
    WindowFit::makeRoom(this, m_tabs, twips.toPixels(ListPage::DesignedHeight));
    connect(m_tabs, &QTabWidget::tabBarClicked, this, [this](int i) { TabStrip1_Click(i + 1); });
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
    m_lists = {ListController::of(smileys, mod.listFilePath(QStringLiteral("Smileys.smy")),
                                  m_smileyControl, this),
               ListController::of(acronyms, mod.listFilePath(QStringLiteral("Acronyms.acr")),
                                  m_acronymControl, this)};
    m_pick = new PickFlow(this, mod.Localizer());
    m_import = new ListImportFlow(this, {m_lists[SmileyTab], m_lists[AcronymTab]}, mod.Localizer());
    for (int list = 0; list < ListCount; ++list) {
        ListPage* page = m_lists[list]->page();
        const std::array commands{&frmMain::cmdCopy_Click, &frmMain::cmdAdd_Click,
                                  &frmMain::cmdEdit_Click, &frmMain::cmdRemove_Click};
        for (int c = 0; c < ListPage::CommandCount; ++c)
            connect(page->button(ListPage::Command(c)), &QToolButton::clicked, this,
                    [this, list, handler = commands[c]] { (this->*handler)(list); });
        connect(m_lists[list], &ListController::writeFailed, this,
                [this](const QString& path, const AtomicFileWriter::Result& result) {
                    MessageBox::inform(this, m_mod.AppTitle,
                                       SaveFailure::notice(m_mod.Localizer(), path, result));
                });
        m_pick->watch(page);
        new ListUndo(page, mod.Localizer());
    }
    ListUse::attach({smileys, acronyms}, m_pick, mod.listFolder(), mod.Localizer());
    m_keys = new WindowKeys(m_tabs, {smileys, acronyms});
    Form_Load();
}

frmMain::~frmMain()
{
    Form_Unload();
}

ListPage* frmMain::page(int list) const
{
    return list >= 0 && list < ListCount ? m_lists[list]->page() : nullptr;
}

UserListStore* frmMain::store(int list) const
{
    return list >= 0 && list < ListCount ? m_lists[list]->store() : nullptr;
}

void frmMain::Form_Load()
{
    m_mod.registerListFileTypesWhenShown();
    for (ListController* list : m_lists) {
        for (const int style :
             {ModCommonCtrls::LVS_EX_ONECLICKACTIVATE, ModCommonCtrls::LVS_EX_TRACKSELECT,
              ModCommonCtrls::LVS_EX_UNDERLINEHOT})
            ModCommonCtrls::SetListViewExStyle(list->page()->view(), style);
        // No entry is selected yet.
        list->page()->button(ListPage::Edit)->setEnabled(false);
    }
    m_about->showLegalNotice();
    if (m_about->fillLanguages(m_mod.Localizer(), m_mod.CurrentLanguage))
        CLanguage_Click();
    Traduct();
    setWindowTitle(m_mod.AppTitle);
    // Built-in entries of both lists first: a user entry repeating one is dropped.
    for (ListController* list : m_lists)
        list->loadTable(m_mod.CurrentLanguage);
    if (m_mod.adoptProgramLists({store(SmileyTab)->path(), store(AcronymTab)->path()}))
        MessageBox::inform(
            this, m_mod.AppTitle,
            m_mod.Localizer().ID_INT_LISTS_COPIED(QDir::toNativeSeparators(m_mod.listFolder())));
    for (ListController* list : m_lists)
        list->loadFile();
    m_about->showLogo();
}

void frmMain::Form_Activate()
{
    BusyPointer::restoreNormal();
}

bool frmMain::Form_QueryUnload()
{
    m_import->stop(); // what an import under way put in the lists is saved below
    if (!isMinimized())
        showMinimized();
    const QScopedValueRollback inClose(m_inClose, true);
    if (SaveEverything(!m_ending))
        return false;
    showNormal();
    return true;
}

bool frmMain::SaveEverything(bool mayAsk)
{
    ZunoSmiley1& localizer = m_mod.Localizer();
    QStringList failures;
    QList<int> unsaved;
    AtomicFileWriter::Result result;
    if (!m_mod.SaveSettings(&result))
        failures << SaveFailure::line(localizer, SettingsStore::fileName(), result);
    if (!(result = SaveSmileyList())) {
        failures << SaveFailure::line(localizer, store(SmileyTab)->path(), result);
        unsaved << SmileyTab;
    }
    if (!(result = SaveAcronymList())) {
        failures << SaveFailure::line(localizer, store(AcronymTab)->path(), result);
        unsaved << AcronymTab;
    }
    if (failures.isEmpty())
        return true;
    // One question for everything that could not be saved.
    failures << QString() << localizer.ID_INT_SAVE_QUESTION();
    if (mayAsk && !m_ending &&
        MessageBox::askKeepOpen(this, m_mod.AppTitle, failures.join(QLatin1Char('\n')),
                                localizer.ID_BTN_KEEP_OPEN(),
                                localizer.ID_BTN_CLOSE_ANYWAY()) == MessageBox::KeepOpen)
        return false;
    // The window's entries go with it: the next start offers them back.
    for (const int list : unsaved) {
        ListRecovery::Entries entries;
        for (const CatalogueListModel::Entry& entry : page(list)->model()->userEntries())
            entries.append({entry.text, entry.description});
        if (const AtomicFileWriter::Result kept = ListRecovery::keep(store(list)->path(), entries);
            !kept)
            qWarning("%s could not be kept for the next start: %s", qPrintable(store(list)->path()),
                     qPrintable(kept.detail));
    }
    return true;
}

void frmMain::endSession()
{
    m_ending = true;
    // The close whose question this was goes on, and ends the window.
    MessageBox::endOpenQuestion();
    if (!m_inClose && !m_unloaded)
        close();
}

void frmMain::offerRecoveredEntries()
{
    m_import->whenReported([this] {
        QStringList listFiles;
        for (ListController* list : m_lists)
            listFiles << list->store()->path();
        const QStringList files = ListRecovery::waiting(listFiles);
        ZunoSmiley1& localizer = m_mod.Localizer();
        if (files.isEmpty() || m_ending ||
            MessageBox::askAddLater(this, m_mod.AppTitle, localizer.ID_INT_RECOVERED_QUESTION(),
                                    localizer.ID_BTN_ADD_RECOVERED(),
                                    localizer.ID_BTN_LATER()) != MessageBox::Add ||
            m_unloaded)
            return;
        importListFiles(files);
        m_import->whenReported([this, listFiles] {
            for (int list = 0; list < ListCount; ++list) {
                const QString file = ListRecovery::filePath(listFiles.at(list));
                if (!QFileInfo::exists(file) || !m_lists[list]->save())
                    continue;
                // Only once the list holds every entry of it (an import the
                // file could not be read for holds none).
                const CatalogueListModel* model = page(list)->model();
                const ListRecovery::Entries entries = ListRecovery::entries(file);
                if (std::all_of(entries.cbegin(), entries.cend(), [model](const auto& entry) {
                        return model->existingRow(entry.text) >= 0;
                    }))
                    ListRecovery::discard(file);
            }
        });
    });
}

void frmMain::importListFiles(const QStringList& files)
{
    m_import->import(files);
}

void frmMain::pick(const ActiveWindow& cameFrom, const QString& search)
{
    m_import->whenReported([this, cameFrom, search] {
        TabStrip1_Click(m_keys->lastList() + 1);
        m_pick->start(cameFrom, page(m_keys->lastList()), search);
    });
}

void frmMain::Form_Unload()
{
    // A closed window no longer follows its files.
    for (ListController* list : m_lists)
        list->stop();
    if (m_mod.MainWindow == this)
        m_mod.MainWindow = nullptr;
    m_unloaded = true;
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
    // Each list is built again in the new language (a filter typed for the
    // old one ends); nothing is saved, and nothing of the user's is lost.
    for (ListController* list : m_lists)
        list->refill(code);
    m_mod.Localizer().setLanguage(static_cast<ZunoSmiley1::LanguageConstants>(code));
    Traduct();
}

void frmMain::Traduct()
{
    ZunoSmiley1& localizer = m_mod.Localizer();
    m_tabs->setTabText(0, localizer.ID_INT_SMILEYS());
    m_tabs->setTabText(1, localizer.ID_INT_ACRONYMS());
    m_tabs->setTabText(2, localizer.ID_INT_ABOUT());
    for (ListController* list : m_lists)
        list->page()->retranslate();
    m_about->retranslate(localizer);
}

void frmMain::OVSmiley1_NextSmiley(const QString& Smiley, const QString& Description,
                                   qint16 Default)
{
    page(SmileyTab)->addReportedEntry(Smiley, Description, Default);
}

void frmMain::OVAcronym1_NextAcronym(const QString& Acronym, const QString& Description,
                                     qint16 Default)
{
    page(AcronymTab)->addReportedEntry(Acronym, Description, Default);
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

AtomicFileWriter::Result frmMain::SaveSmileyList()
{
    return m_lists[SmileyTab]->save();
}

AtomicFileWriter::Result frmMain::SaveAcronymList()
{
    return m_lists[AcronymTab]->save();
}

bool frmMain::event(QEvent* event)
{
    // A closed window may outlive the program state it was made for.
    const auto registerPendingFileTypes = [this] {
        if (!m_unloaded)
            m_mod.registerPendingFileTypes();
    };
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    else if (event->type() == QEvent::Show) {
        // Without a window manager the window may never be activated: no busy pointer.
        QTimer::singleShot(0, this, &frmMain::Form_Activate);
        // The start's registration follows the first drawing, or comes a
        // moment later where the window is not drawn (a hidden workspace).
        if (!m_drawn)
            QTimer::singleShot(1000, this, registerPendingFileTypes);
    } else if (event->type() == QEvent::Paint && !m_drawn) {
        m_drawn = true;
        // Queued: the first picture goes out before the registration runs.
        QTimer::singleShot(0, this, registerPendingFileTypes);
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
