#include "app/ModZunoSmiley.h"

#include "app/assets/AppIcons.h"
#include "app/dialogs/BusyPointer.h"
#include "app/frmMain.h"
#include "app/settings/SettingsStore.h"
#include "base/InstallLayout.h"
#include "base/ListFolder.h"
#include "base/TerminationWatcher.h"
#include "compat/AutomationError.h"
#include "ovobj10/OVObject.h"
#include "ovshell/ShellLib2.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSessionManager>
#include <QTimer>

ModZunoSmiley::ModZunoSmiley(const QString& programFile)
    : m_programFile(programFile)
{}

ModZunoSmiley::~ModZunoSmiley()
{
    delete m_window.data();
    // Its requests would reach a program state that is gone.
    delete m_terminationWatcher;
}

void ModZunoSmiley::Main()
{
    LoadMainWindow();
    ShowMainWindow();
}

void ModZunoSmiley::LoadMainWindow()
{
    BusyPointer::show();
    LoadSettings();
    Localizer().setLanguage(static_cast<ZunoSmiley1::LanguageConstants>(CurrentLanguage));
    registerListFileTypesWhenShown();
    AppTitle = QStringLiteral("Orvak Zuno Smileys");
    m_window = new frmMain(*this);
    MainWindow = m_window;
    MainWindow->setWindowTitle(AppTitle);
}

void ModZunoSmiley::ShowMainWindow()
{
    if (MainWindow)
        MainWindow->show();
}

void ModZunoSmiley::LoadSettings()
{
    CurrentLanguage = SettingsStore::languageFromText(
        ReadSetting(SettingsStore::LanguageKey, QStringLiteral("1"), SettingsStore::Configuration));
}

bool ModZunoSmiley::SaveSettings(AtomicFileWriter::Result* why)
{
    const AtomicFileWriter::Result result = SettingsStore::setLanguage(CurrentLanguage);
    if (why)
        *why = result;
    return result.ok();
}

QString ModZunoSmiley::ReadSetting(const QString& Key, const QString& Default,
                                   const QString& Section)
{
    return SettingsStore::read(Key, Default, Section);
}

bool ModZunoSmiley::RegisterListFileTypes(std::chrono::milliseconds storeWait)
{
    const QFileInfo program(m_programFile);
#ifdef Q_OS_WIN
    // Without ".exe": the shell library puts it back.
    const QString name = program.completeBaseName();
#else
    // Programs here have no suffix: a dot is part of the name, and the
    // document icons must name the program file itself.
    const QString name = program.fileName();
#endif
    ShellLib2 shell;
    shell.setStoreWait(storeWait);
    // The program file holds no icons here: the shell library takes the
    // pictures that the icon values name (",1", ",2"; 0 for the program's own
    // desktop entry) from the program's resources.
    for (int index = 0; index <= 2; ++index)
        shell.setIconData(index, AppIcons::svgData(index));
    try {
        shell.setApplicationName(name.trimmed());
        shell.setApplicationPath(QDir::toNativeSeparators(program.absolutePath()).trimmed());
        // One store transaction: at a start that changes nothing, one read;
        // otherwise all of it or, when a call raises, none of it.
        shell.beginTransaction();
        shell.ShellRegisterFileType(QStringLiteral("ZunoSmileys"),
                                    QStringLiteral("Orvak Zuno Smileys - Smileys List"));
        shell.ShellRegisterFileType(QStringLiteral("ZunoAcronyms"),
                                    QStringLiteral("Orvak Zuno Smileys - Acronyms List"));
        shell.ShellRegisterExtension(QStringLiteral("ZunoSmileys"), QStringLiteral("smy"));
        shell.ShellRegisterExtension(QStringLiteral("ZunoAcronyms"), QStringLiteral("acr"));
        shell.ShellSetDefaultIcon(QStringLiteral("ZunoSmileys"), QStringLiteral(",1"));
        shell.ShellSetDefaultIcon(QStringLiteral("ZunoAcronyms"), QStringLiteral(",2"));
        shell.ShellSetQuickView(QStringLiteral("ZunoSmileys"));
        shell.ShellSetQuickView(QStringLiteral("ZunoAcronyms"));
        // The desktop's own entry for the program, opening both list types.
        shell.registerDesktopEntry(QLatin1String(InstallLayout::DesktopApplicationId),
                                   QStringLiteral("Orvak Zuno Smileys"),
                                   {QStringLiteral("ZunoSmileys"), QStringLiteral("ZunoAcronyms")});
        shell.commitTransaction();
    } catch (const AutomationError& error) {
        // The catalogue works without the desktop knowing its file types.
        if (!shell.storeWasBusy())
            qWarning("File-type registration failed: %s", error.what());
    }
    return !shell.storeWasBusy();
}

void ModZunoSmiley::registerListFileTypesWhenShown()
{
    if (m_registration == Registration::NotAsked)
        m_registration = Registration::Pending;
}

void ModZunoSmiley::registerPendingFileTypes()
{
    // A few milliseconds at a time, tried ten times half a second apart: the
    // store's own give-up, without a frozen window meanwhile.
    constexpr std::chrono::milliseconds StoreWait{20};
    constexpr int RetryMilliseconds = 500;
    constexpr int MaxTries = 10;
    if (m_registration != Registration::Pending)
        return;
    m_registration = Registration::Made;
    if (RegisterListFileTypes(StoreWait) || !m_window)
        return;
    if (++m_registrationTries >= MaxTries) {
        qWarning("File-type registration failed: the class registry store stayed busy");
        return;
    }
    m_registration = Registration::Pending;
    QTimer::singleShot(RetryMilliseconds, m_window.data(), [this] {
        if (MainWindow)
            registerPendingFileTypes();
    });
}

ZunoSmiley1& ModZunoSmiley::Localizer()
{
    if (!m_localizer)
        m_localizer = std::make_unique<ZunoSmiley1>();
    return *m_localizer;
}

OVObject& ModZunoSmiley::ObjectLib()
{
    if (!m_objectLib)
        m_objectLib = std::make_unique<OVObject>();
    return *m_objectLib;
}

QString ModZunoSmiley::programFolder() const
{
    return QFileInfo(m_programFile).absolutePath();
}

QString ModZunoSmiley::listFolder()
{
    if (m_listFolder.isEmpty())
        m_listFolder = ListFolder::choose(programFolder(), ListFolder::userDataFolder());
    return m_listFolder;
}

QString ModZunoSmiley::listFilePath(const QString& fileName)
{
    return ObjectLib().AddSlashToPath(QDir::toNativeSeparators(listFolder())) + fileName;
}

bool ModZunoSmiley::adoptProgramLists(const QStringList& listFiles)
{
    const QString folder = listFolder();
    if (folder != ListFolder::userDataFolder())
        return false;
    QStringList names;
    for (const QString& file : listFiles)
        names << QFileInfo(file).fileName();
    names = ListFolder::programListsToCopy(programFolder(), folder, names);
    // Asked only then: most starts do not wait for the answer.
    if (names.isEmpty() || (m_ownsWindow && !m_ownsWindow()))
        return false;
    return !ListFolder::copyProgramLists(programFolder(), folder, names).isEmpty();
}

void ModZunoSmiley::watchForTermination()
{
    if (m_terminationWatcher)
        return;
    m_terminationWatcher = new TerminationWatcher(qApp);
    QObject::connect(m_terminationWatcher, &TerminationWatcher::terminationRequested, qApp,
                     [this](int) {
                         // Nobody may be there to answer a question: the
                         // window closes without one, keeping what it could
                         // not save for the next start.
                         if (MainWindow)
                             MainWindow->endSession();
                         else
                             QCoreApplication::quit();
                     });
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [this](QSessionManager& manager) { commitData(manager); });
}

void ModZunoSmiley::commitData(QSessionManager&)
{
    // The session is ending: save as a close would; what could not be saved
    // is kept for the next start, and nobody is asked.
    if (MainWindow)
        MainWindow->SaveEverything(false);
}
