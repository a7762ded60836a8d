#pragma once

#include "ActiveWindow.h"
#include "AtomicFileWriter.h"

#include <QWidget>

#include <array>

class AboutPage;
class ListPage;
class ModZunoSmiley;
class OVAcronym;
class OVSmiley;
class QMimeData;
class QTabWidget;
class UserListStore;

// The main window: a tab strip with the smiley page, the acronym page (twin
// ListPages, each with its UserListStore) and the About page. The handlers
// take a list's tab index, 0 for the smileys and 1 for the acronyms, and
// hand the work to the page or the store.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    enum Tab : qint16 { SmileyTab = 0, AcronymTab = 1 };
    static constexpr int ListCount = 2;

    explicit frmMain(ModZunoSmiley& mod, QWidget* parent = nullptr);
    ~frmMain() override;

    // The list page of a tab index; nullptr for any other number.
    ListPage* page(int list) const;
    // The store of a list's file, by tab index.
    UserListStore* store(int list) const;
    AboutPage* aboutPage() const { return m_about; }

    // Window handlers.
    void Form_Load();
    void Form_Activate();
    // A close request: saves the setting and both lists. Answers Cancel:
    // true keeps the window open.
    bool Form_QueryUnload();
    void Form_Unload();
    // Brings page 1, 2 or 3 to the front; any other number does nothing.
    void TabStrip1_Click(int tab);
    void CLanguage_Click();
    void Traduct();

    // The catalogue controls' reports.
    void OVSmiley1_NextSmiley(const QString& Smiley, const QString& Description, qint16 Default);
    void OVAcronym1_NextAcronym(const QString& Acronym, const QString& Description, qint16 Default);

    // The duplicate rule of Add and Edit on one list: whether another entry
    // has this text once the spaces around both are removed, letter case
    // aside; with ExceptSelected, the selected entry does not count.
    bool EntryExists(int list, const QString& Text, bool ExceptSelected) const;

    // List interaction, forwarded to the page of the tab index.
    void ListView_Click(int Index);
    void ListView_ItemClick(int Index);
    // A click on the header at this 1-based position.
    void ListView_ColumnClick(int Index, int position);
    void ListView_KeyDown(int Index, int KeyCode);
    QMimeData* ListView_OLEStartDrag(int Index, Qt::DropActions* AllowedEffects) const;
    void SmileyView_Click() { ListView_Click(SmileyTab); }
    void AcronymView_Click() { ListView_Click(AcronymTab); }
    void SmileyView_ColumnClick(int position) { ListView_ColumnClick(SmileyTab, position); }
    void AcronymView_ColumnClick(int position) { ListView_ColumnClick(AcronymTab, position); }

    // The commands of a tab's buttons.
    void cmdCopy_Click(int Index);
    void cmdAdd_Click(int Index);
    void cmdEdit_Click(int Index);
    void cmdRemove_Click(int Index);

    // Bring the user list files up to date: every change is written when
    // it is made; these write what could not be written yet (and create a
    // missing file). On failure the previous file stays as it was.
    AtomicFileWriter::Result SaveSmileyList();
    AtomicFileWriter::Result SaveAcronymList();

    // Saves the setting and both lists; when something could not be saved
    // and the user may be asked, asks whether to close anyway. Answers true
    // when the window may close.
    bool SaveEverything(bool mayAsk = true);

    // Brings the entries of list files into their lists, each through the
    // list's Add (saved at once), and tells the user what became of each.
    void importListFiles(const QStringList& files);

    // Called up to insert an entry where the user was typing: the window
    // comes to the front on the list page last used, its filter bar open.
    // Enter there types the chosen entry into cameFrom (on Wayland, into the
    // window the compositor gives the keyboard back to); where nothing can be
    // typed, the entry waits on the clipboard and a notice says to paste.
    // Escape closes the filter without inserting.
    void pick(const ActiveWindow& cameFrom);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void registerPendingFileTypes();

private:
    AtomicFileWriter::Result saveList(int list);
    void tellWriteFailed(int list, const AtomicFileWriter::Result& result);
    void loadTable(int list);
    void insertPicked(const QString& text);
    void adoptProgramLists();
    static qsizetype expectedRows(const QString& listFile);
    QStringList otherLanguageDescriptions(int list) const;

    ModZunoSmiley& m_mod;
    QTabWidget* m_tabs = nullptr;
    std::array<ListPage*, ListCount> m_pages{};
    std::array<UserListStore*, ListCount> m_stores{};
    AboutPage* m_about = nullptr;
    OVSmiley* m_smileyControl = nullptr;
    OVAcronym* m_acronymControl = nullptr;
    int m_lastList = SmileyTab;
    bool m_picking = false;
    // The window has been drawn once (the start's registration follows it).
    bool m_drawn = false;
    bool m_unloaded = false;
    ActiveWindow m_pickTarget;
};
