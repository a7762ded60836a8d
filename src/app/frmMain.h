#pragma once

#include "base/AtomicFileWriter.h"
#include "desktop/ActiveWindow.h"

#include <QWidget>

#include <array>

class AboutPage;
class ListController;
class ListImportFlow;
class ListPage;
class ModZunoSmiley;
class OVAcronym;
class OVSmiley;
class PickFlow;
class QTabWidget;
class UserListStore;
class WindowKeys;

// The main window: a tab strip with the smiley page, the acronym page (twin
// ListPages, each kept with its list file by a ListController) and the About
// page. It composes them, handles its own events, and runs the close and the
// language switch; the lists, their files and the pick act on their own.
// Tab indexes: 0 for the smileys, 1 for the acronyms.
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

    // The commands of a tab's buttons; any other index does nothing.
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
    // when the window may close: then the user entries of each list whose
    // save failed are kept in its recovery file (ListRecovery). Without
    // asking, that is always the answer.
    bool SaveEverything(bool mayAsk = true);

    // A termination request: the window closes as its close box closes it,
    // but never asks; a question of a close under way is closed, and that
    // close goes on.
    void endSession();

    // The entries that an earlier session kept in the recovery files, offered
    // back in one question once the imports under way are reported: Add
    // imports them, and each recovery file goes once its list's file holds
    // its entries; Later keeps them for the next start.
    void offerRecoveredEntries();

    // Brings the entries of list files into their lists by the lists' Add
    // rule (saved at once), and tells the user what became of each. The
    // files are read off the window's thread: this returns at once.
    void importListFiles(const QStringList& files);
    ListImportFlow* importFlow() const { return m_import; }

    // Called up to insert an entry where the user was typing (PickFlow), on
    // the list page last used; with search, only to show the entries the
    // filter finds for those words. An import under way reports first: the
    // pick comes after its report, not under it.
    void pick(const ActiveWindow& cameFrom, const QString& search = {});

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    ModZunoSmiley& m_mod;
    QTabWidget* m_tabs = nullptr;
    std::array<ListController*, ListCount> m_lists{};
    AboutPage* m_about = nullptr;
    OVSmiley* m_smileyControl = nullptr;
    OVAcronym* m_acronymControl = nullptr;
    PickFlow* m_pick = nullptr;
    WindowKeys* m_keys = nullptr;
    ListImportFlow* m_import = nullptr;
    // The window has been drawn once (the start's registration follows it).
    bool m_drawn = false;
    bool m_unloaded = false;
    // A termination request came: nothing asks any more.
    bool m_ending = false;
    bool m_inClose = false;
};
