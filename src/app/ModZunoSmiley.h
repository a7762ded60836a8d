#pragma once

#include "base/AtomicFileWriter.h"

#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class OVObject;
class QSessionManager;
class TerminationWatcher;
class ZunoSmiley1;
class frmMain;

// The program-wide state and the start-up of the catalogue program: the
// language setting, the one localizer and object-library objects, the
// registration of the two list-file types with the desktop, and the main
// window. Alive for the whole process.
class ModZunoSmiley
{
public:
    // programFile: the program file whose folder holds the user list files
    // when that folder is writable.
    explicit ModZunoSmiley(const QString& programFile);
    ~ModZunoSmiley();
    ModZunoSmiley(const ModZunoSmiley&) = delete;
    ModZunoSmiley& operator=(const ModZunoSmiley&) = delete;

    // Start-up: busy pointer, setting, localizer, registration (made once the
    // window is drawn), main window loaded and shown. From then on the program runs on window
    // events.
    void Main();
    // Main() in two halves: the window loaded, then shown, so that a start
    // can build it while the session bus settles whether this process runs it.
    void LoadMainWindow();
    void ShowMainWindow();

    void LoadSettings();
    // Writes CurrentLanguage; false, with the reason, when the settings store
    // took nothing.
    bool SaveSettings(AtomicFileWriter::Result* why = nullptr);
    static QString ReadSetting(const QString& Key, const QString& Default, const QString& Section);
    // storeWait: how long a store that another process holds is waited for.
    // False when it was held longer: nothing was registered, try again later.
    bool RegisterListFileTypes(std::chrono::milliseconds storeWait = std::chrono::seconds(5));
    // Asks for the registration of the list file types once the window has
    // been drawn: the window need not wait for the desktop's store, and a
    // start asks once however often it is asked.
    void registerListFileTypesWhenShown();
    // Makes the registration asked for above, if it has not been made yet,
    // without keeping the window's thread on a store another process holds:
    // a few milliseconds each time, tried again later until the store's
    // usual give-up (5 s) has passed.
    void registerPendingFileTypes();

    ZunoSmiley1& Localizer();
    OVObject& ObjectLib();

    // 1 French, 2 English; nothing else is ever stored here.
    qint16 CurrentLanguage = 1;
    QString AppTitle;
    // The main window until it unloads.
    QPointer<frmMain> MainWindow;

    QString programFile() const { return m_programFile; }
    QString programFolder() const;
    // The folder of the user list files, chosen at the first use unless set.
    QString listFolder();
    void setListFolder(const QString& folder) { m_listFolder = folder; }
    // The full path of a user list file ("Smileys.smy", "Acronyms.acr").
    QString listFilePath(const QString& fileName);
    // The program's folder cannot take the user's lists: at the first start
    // with the lists in the user's data folder, copies
    // the lists (by the names of these files) kept beside the program there;
    // true when it copied any.
    bool adoptProgramLists(const QStringList& listFiles);
    // Asked before the window's loading copies or tells anything: false in a
    // process that hands its command line to another window. Unset: true.
    void setOwnsWindow(std::function<bool()> ownsWindow) { m_ownsWindow = std::move(ownsWindow); }

    // Watches for termination requests and the end of the desktop session:
    // the main window saves and closes as the user would close it, but
    // without a question; what could not be saved goes to the recovery files.
    void watchForTermination();

private:
    void commitData(QSessionManager& manager);

    QString m_programFile;
    QString m_listFolder;
    std::function<bool()> m_ownsWindow;
    std::unique_ptr<ZunoSmiley1> m_localizer;
    std::unique_ptr<OVObject> m_objectLib;
    TerminationWatcher* m_terminationWatcher = nullptr;
    // The main window, closed or not, destroyed with the program state (after
    // the close's save), so that every destructor of its parts runs. Guarded:
    // a window someone else destroyed is not destroyed twice.
    QPointer<frmMain> m_window;
    enum class Registration { NotAsked, Pending, Made } m_registration = Registration::NotAsked;
    int m_registrationTries = 0;
};
