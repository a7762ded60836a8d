#pragma once

#include <QWidget>

#include <array>

class CatalogueListModel;
class CatalogueView;
class ModZunoSmiley;
class OVAcronym;
class OVSmiley;
class QComboBox;
class QGroupBox;
class QLabel;
class QMimeData;
class QSortFilterProxyModel;
class QTabWidget;
class QToolButton;
class QTreeView;

// The main window: a tab strip with the smileys, the acronyms and the About
// page. The two lists are twins; everything that serves a list takes its tab
// index, 0 for the smileys and 1 for the acronyms.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    enum Tab : qint16 { SmileyTab = 0, AcronymTab = 1 };
    static constexpr int ListCount = 2;

    explicit frmMain(ModZunoSmiley& mod, QWidget* parent = nullptr);
    ~frmMain() override;

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

    // Whether the list holds an entry with this text, letter case aside;
    // with ExceptSelected, an entry other than the selected one.
    bool EntryExists(int list, const QString& Text, bool ExceptSelected) const;

    // Rewrite the user list files from the lists' user entries. False, with
    // the reason, when the file could not be written; the previous file then
    // stays as it was.
    bool SaveSmileyList(QString* errorString = nullptr);
    bool SaveAcronymList(QString* errorString = nullptr);

    // Saves the setting and both lists; when something could not be saved
    // and the user may be asked, asks whether to close anyway. Answers true
    // when the window may close.
    bool SaveEverything(bool mayAsk = true);

    // The controls, by the names the handlers use.
    QTabWidget* TabStrip1 = nullptr;
    QWidget* picSmiley = nullptr;
    QWidget* picAcronym = nullptr;
    QWidget* picAbout = nullptr;
    CatalogueView* SmileyView = nullptr;
    CatalogueView* AcronymView = nullptr;
    std::array<QToolButton*, ListCount> cmdCopy{};
    std::array<QToolButton*, ListCount> cmdAdd{};
    std::array<QToolButton*, ListCount> cmdEdit{};
    std::array<QToolButton*, ListCount> cmdRemove{};
    QGroupBox* Frame1 = nullptr;
    QComboBox* CLanguage = nullptr;
    QLabel* picIcon = nullptr;
    QLabel* picLogo = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblCourtesy = nullptr;
    OVSmiley* OVSmiley1 = nullptr;
    OVAcronym* OVAcronym1 = nullptr;

    CatalogueView* view(int list) const;
    CatalogueListModel* list(int list) const;
    QSortFilterProxyModel* sortedList(int list) const;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    QWidget* createListPage(int list);
    QWidget* createAboutPage();
    void addEntry(int list, const QString& text, const QString& description, qint16 Default);
    // Empties a list and fills it again in the current language, keeping the
    // user's entries as they are now.
    void rebuildList(int list);
    void loadTable(int list);
    void loadFile(int list);
    bool saveUserList(int list, QString* errorString);
    QString listFileName(int list) const;
    void refreshButtons(int list);

    ModZunoSmiley& m_mod;
    std::array<CatalogueView*, ListCount> m_views{};
    std::array<CatalogueListModel*, ListCount> m_lists{};
    std::array<QSortFilterProxyModel*, ListCount> m_sortedLists{};
    bool m_loaded = false;
};
