#include "ToolRun.h"

#include "compat/Automation.h"
#include "compat/registry/ClassRegistry.h"
#include "compat/registry/ComponentLoader.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

#include <memory>

namespace {

using Run = ToolRun;

} // namespace

// Libraries registered with ovregsvr, read back with ovreg and called with
// ovcall, each in a fresh process. The ovcall under test is a copy outside
// the build tree, so that it reads the test's stores only: the user's
// (XDG_DATA_HOME) and its own installation's (../share beside its folder).
class tst_ToolsRegistration : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;

    QString path(const QString& relative) const { return m_home->filePath(relative); }
    static QString library(const QString& name) { return QString(TOOL_DIR) + "/" + name; }

    Run run(const QString& program, const QStringList& args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", path("data"));
        env.insert("XDG_DATA_DIRS", path("none"));
        env.insert("XDG_RUNTIME_DIR", path("runtime"));
        return runTool(program, args, env, m_home->path());
    }
    Run ovcall(const QStringList& args) const { return run(path("bin/ovcall"), args); }
    Run ovregsvr(const QStringList& args) const
    {
        return run(QString(TOOL_DIR) + "/ovregsvr", args);
    }
    QStringList ovreg(const QString& key = QString(), const QStringList& store = {}) const
    {
        const Run r =
            run(QString(TOOL_DIR) + "/ovreg",
                store + (key.isNull() ? QStringList{"query"} : QStringList{"query", key}));
        if (r.exitCode != 0)
            return {QString("exit %1").arg(r.exitCode)};
        return r.out.split('\n', Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        QVERIFY(QDir().mkpath(path("bin")));
        QVERIFY(QDir().mkpath(path("runtime")));
        QFile::setPermissions(path("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(QFile::copy(QString(TOOL_DIR) + "/ovcall", path("bin/ovcall")));
    }

    void everyClassThroughTheStoreAlone_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("progId");
        QTest::addColumn<QString>("classId");
        QTest::addColumn<QString>("interfaceId");
        QTest::addColumn<QStringList>("call");
        QTest::addColumn<QString>("answer");
        QTest::newRow("localizer") << "libOVSmiley.so.1"
                                   << "OrvakLocalizer.ZunoSmiley1"
                                   << "{F50A8127-E574-47AF-8E14-A3EC16A8E809}"
                                   << "{5180D033-EE24-4D7A-89A7-8FB05B6BA532}"
                                   << QStringList{"Language=1", "ID_INT_COPY"} << "Copier";
        QTest::newRow("object") << "libOVObj10.so.1"
                                << "OrvakObject.OVObject"
                                << "{9DF0B568-809B-460D-A2B7-948374F2AC84}"
                                << "{8A935C5E-79BF-470F-8243-5027F405C092}"
                                << QStringList{"AddSlashToPath", "/opt"} << "/opt/";
        QTest::newRow("shell") << "libOVShell.so.1"
                               << "OrvakShell.ShellLib2"
                               << "{67BA5EB1-D502-481E-A6EB-9EE0A91FD4B1}"
                               << "{0359EB90-CFF8-4180-9C05-50B8D2EA64D0}"
                               << QStringList{"ApplicationName=Zuno", "ApplicationName"} << "Zuno";
        QTest::newRow("earlier shell")
            << "libOVShell.so.1"
            << "OrvakShell.ShellLib"
            << "{4D784397-4E38-466E-B892-2FDA01318342}"
            << "{2A77C30E-24CF-4349-9617-732E5705D300}"
            << QStringList{"ApplicationPath=/opt", "ApplicationPath"} << "/opt";
        QTest::newRow("smiley control") << "libZunoCatalogue.so.1"
                                        << "OrvakSmileys.OVSmiley"
                                        << "{5430BD4C-E70F-4417-80FB-43C761732411}"
                                        << "{3752A2BC-8F45-4919-A8DC-F050655098A7}"
                                        << QStringList{"Language=1", "Language"} << "1";
        QTest::newRow("acronym control")
            << "libZunoCatalogue.so.1"
            << "OrvakSmileys.OVAcronym"
            << "{1FF9E94C-669F-432C-8A25-F22EEB8D1D8A}"
            << "{52B372D5-20B0-4A3E-93E4-38F29AC769B6}" << QStringList{"Language"} << "2";
    }
    void everyClassThroughTheStoreAlone()
    {
        QFETCH(QString, file);
        QFETCH(QString, progId);
        QFETCH(QString, classId);
        QFETCH(QString, interfaceId);
        QFETCH(QStringList, call);
        QFETCH(QString, answer);
        const QString className = progId.section('.', 1);

        Run r = ovcall(QStringList{progId} + call);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(progId + " is not registered"), qPrintable(r.err));

        QCOMPARE(ovregsvr({library(file)}).exitCode, 0);
        QCOMPARE(ovreg(progId + "\\CLSID"), QStringList{"(default)  REG_SZ  " + classId});
        QCOMPARE(ovreg("CLSID\\" + classId + "\\InprocServer32"),
                 (QStringList{"(default)  REG_SZ  " + library(file),
                              "ThreadingModel  REG_SZ  Apartment"}));
        QCOMPARE(ovreg("CLSID\\" + classId + "\\ProgID"),
                 QStringList{"(default)  REG_SZ  " + progId});
        QCOMPARE(ovreg("CLSID\\" + classId + "\\DefaultInterface"),
                 QStringList{"(default)  REG_SZ  " + interfaceId});
        QCOMPARE(ovreg("Interface\\" + interfaceId).first(), "(default)  REG_SZ  _" + className);
        r = ovcall(QStringList{progId} + call);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, answer + "\n");

        r = ovregsvr({"-u", library(file)});
        QCOMPARE(r.exitCode, 0);
        // The tool's own folder has the build tree's store, which still has the class.
        QVERIFY2(r.out.contains(
                     progId + " is still registered in " +
                     QDir::cleanPath(QString(TOOL_DIR) + "/../share/ZunoSmileys/registry.sqlite")),
                 qPrintable(r.out));
        r = ovcall(QStringList{progId} + call);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(progId + " is not registered"), qPrintable(r.err));
    }

    void typeInformationListsTheEnumerations()
    {
        QCOMPARE(ovregsvr({library("libOVObj10.so.1")}).exitCode, 0);
        const QString type = "TypeLib\\{692B6630-9355-4F7E-A9FB-74C05D441BE6}\\1.0";
        QCOMPARE(ovreg(type),
                 (QStringList{"(default)  REG_SZ  Orvak Object Library", "[0]", "[Enumerations]"}));
        QCOMPARE(ovreg(type + "\\0\\linux"),
                 QStringList{"(default)  REG_SZ  " + library("libOVObj10.so.1")});
        QCOMPARE(ovreg(type + "\\Enumerations\\LanguageConstants"),
                 (QStringList{"(default)  (value not set)", "objEnglish  REG_DWORD  0x00000002 (2)",
                              "objFrench  REG_DWORD  0x00000001 (1)"}));
        QCOMPARE(
            ovreg(type + "\\Enumerations\\FadeStyleConstants"),
            (QStringList{"(default)  (value not set)", "objFadeDiagonal  REG_DWORD  0x00000000 (0)",
                         "objFadeHorizontal  REG_DWORD  0x00000002 (2)",
                         "objFadeSolidBlue  REG_DWORD  0x00000003 (3)",
                         "objFadeVertical  REG_DWORD  0x00000001 (1)"}));
    }

    void unregisteringRemovesOnlyItsOwnKeys()
    {
        const QStringList all{library("libOVObj10.so.1"), library("libOVSmiley.so.1"),
                              library("libOVShell.so.1"), library("libZunoCatalogue.so.1")};
        QCOMPARE(ovregsvr(all).exitCode, 0);
        QCOMPARE(ovcall({"OrvakShell.ShellLib2", "ShellRegisterFileType", "ZunoSmileys", "Liste"})
                     .exitCode,
                 0);
        QCOMPARE(ovregsvr({"-u", library("libOVSmiley.so.1")}).exitCode, 0);
        QCOMPARE(ovcall({"OrvakLocalizer.ZunoSmiley1", "ID_INT_COPY"}).exitCode, 2);
        QCOMPARE(ovcall({"OrvakObject.OVObject", "AddSlashToPath", "a"}).out, QString("a/\n"));

        // A registered name that another class has taken since stays its.
        const QString taken = "{00000000-0000-4000-8000-000000000001}";
        QCOMPARE(ovcall({"OrvakShell.ShellLib2", "ShellRegisterFileType",
                         "OrvakShell.ShellLib\\CLSID", taken})
                     .exitCode,
                 0);
        QCOMPARE(ovregsvr(QStringList{"-u"} + all).exitCode, 0);
        QCOMPARE(ovreg(), (QStringList{"[OrvakShell.ShellLib]", "[ZunoSmileys]"}));
        QCOMPARE(ovreg("OrvakShell.ShellLib\\CLSID"), QStringList{"(default)  REG_SZ  " + taken});
        QCOMPARE(ovreg("ZunoSmileys"), QStringList{"(default)  REG_SZ  Liste"});
    }

    // The installation's store is found beside the program's folder and
    // records the installed path; the user's own store is read first.
    void installedStoreUnderTheUsersStore()
    {
        QVERIFY(QDir().mkpath(path("stage/usr/lib/zuno")));
        QVERIFY(
            QFile::copy(library("libOVSmiley.so.1"), path("stage/usr/lib/zuno/libOVSmiley.so.1")));
        QCOMPARE(ovregsvr({"--store", path("share/ZunoSmileys/registry.sqlite"), "--root",
                           path("stage"), "/usr/lib/zuno/libOVSmiley.so.1"})
                     .exitCode,
                 0);
        QCOMPARE(ovreg("CLSID\\{F50A8127-E574-47AF-8E14-A3EC16A8E809}\\InprocServer32",
                       {"--store", path("share/ZunoSmileys/registry.sqlite")})
                     .first(),
                 QString("(default)  REG_SZ  /usr/lib/zuno/libOVSmiley.so.1"));
        const QStringList call{"OrvakLocalizer.ZunoSmiley1", "Language=1", "ID_INT_COPY"};
        Run r = ovcall(call);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("/usr/lib/zuno/libOVSmiley.so.1, which does not exist"),
                 qPrintable(r.err));

        QCOMPARE(ovregsvr({library("libOVSmiley.so.1")}).exitCode, 0);
        r = ovcall(call);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString("Copier\n"));
    }

    // A store's library value is loaded as it stands or not at all.
    void registeredLibraryThatCannotServeIsReported_data()
    {
        // Relative values below "@/" name the test's folder.
        QTest::addColumn<QString>("registered");
        QTest::addColumn<QString>("message");
        QTest::newRow("relative path") << "lib/libOVSmiley.so.1"
                                       << "which is not an absolute path";
        QTest::newRow("file gone, a similar name there") << "@/lib/OVSmiley.so.1"
                                                         << "which does not exist";
        QTest::newRow("library of another kind")
            << QLibraryInfo::path(QLibraryInfo::LibrariesPath) + "/libQt6Core.so.6"
            << "which does not serve class {F50A8127-E574-47AF-8E14-A3EC16A8E809}";
        QTest::newRow("not a library") << "@/bin/ovcall"
                                       << "which cannot be loaded";
    }
    void registeredLibraryThatCannotServeIsReported()
    {
        QFETCH(QString, registered);
        QFETCH(QString, message);
        if (registered.startsWith("@/"))
            registered = path(registered.mid(2));
        QVERIFY(QDir().mkpath(path("lib")));
        QVERIFY(QFile::copy(library("libOVSmiley.so.1"), path("lib/libOVSmiley.so.1")));
        QCOMPARE(ovregsvr({library("libOVSmiley.so.1")}).exitCode, 0);
        ClassRegistry store(path("data/ZunoSmileys/registry.sqlite"));
        QCOMPARE(store.setDefaultString(
                     "CLSID\\{F50A8127-E574-47AF-8E14-A3EC16A8E809}\\InprocServer32", registered),
                 ClassRegistry::Status::Success);
        const Run r = ovcall({"OrvakLocalizer.ZunoSmiley1", "ID_INT_COPY"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(registered + ", " + message), qPrintable(r.err));
    }

    void refusesFilesThatAreNotOurLibraries_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("no file") << "missing.so"
                                 << "no such file";
        QTest::newRow("text file") << "notes.so"
                                   << "is not a library that can be loaded";
        QTest::newRow("library of another kind")
            << QLibraryInfo::path(QLibraryInfo::LibrariesPath) + "/libQt6Core.so.6"
            << "is not a self-registering library";
    }
    void refusesFilesThatAreNotOurLibraries()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFile text(path("notes.so"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a library\n");
        text.close();
        const QString named = QDir::isAbsolutePath(file) ? file : path(file);
        for (const QString option : {"", "-u"}) {
            const Run r =
                ovregsvr(option.isEmpty() ? QStringList{named} : QStringList{option, named});
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains(named) && r.err.contains(message), qPrintable(r.err));
        }
        QVERIFY(!QFile::exists(path("data/ZunoSmileys/registry.sqlite")));
    }

    void storeThatCannotBeWrittenFails()
    {
        QFile file(path("file"));
        QVERIFY(file.open(QIODevice::WriteOnly)); // a parent that is a file holds for root too
        file.close();
        const QString store = path("file/registry.sqlite");
        const Run r = ovregsvr({"--store", store, library("libOVSmiley.so.1")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(store + " cannot be written"), qPrintable(r.err));
    }

    // In this process: the library says it can go only once its objects
    // are gone, goes, and comes back whole for the next object.
    void libraryUnloadsWhenItsObjectsAreGone()
    {
        // This process's own stores: the test's, then the build tree's.
        qputenv("XDG_DATA_HOME", QFile::encodeName(path("data")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(path("none")));
        ComponentLoader::Registration registration;
        QString error;
        QVERIFY2(ComponentLoader::find("OrvakLocalizer.ZunoSmiley1", &registration, &error),
                 qPrintable(error));
        const QByteArray file = QFile::encodeName(registration.libraryPath);
        const auto canUnload = [&file] {
            void* handle = dlopen(file.constData(), RTLD_LAZY | RTLD_NOLOAD);
            if (!handle)
                return -1; // not loaded
            const auto function =
                reinterpret_cast<int (*)()>(dlsym(handle, "zuno_server_can_unload"));
            const int answer = function ? function() : -2;
            dlclose(handle);
            return answer;
        };

        auto object = std::unique_ptr<QObject>(Automation::create("OrvakLocalizer.ZunoSmiley1"));
        auto second = std::unique_ptr<QObject>(Automation::create("OrvakLocalizer.ZunoSmiley1"));
        QCOMPARE(canUnload(), 0);
        Automation::setProperty(object.get(), "Language", "1");
        QCOMPARE(ComponentLoader::unloadUnusedLibraries(), 0);
        object.reset();
        QCOMPARE(canUnload(), 0);
        second.reset();
        QCOMPARE(canUnload(), 1);
        QCOMPARE(ComponentLoader::unloadUnusedLibraries(), 1);
        QCOMPARE(canUnload(), -1);

        object.reset(Automation::create("OrvakLocalizer.ZunoSmiley1"));
        Automation::setProperty(object.get(), "Language", "1");
        QCOMPARE(Automation::format(Automation::call(object.get(), "Language", {})), QString("1"));
        QCOMPARE(Automation::call(object.get(), "ID_INT_COPY", {}).toString(), QString("Copier"));
    }
};

QTEST_GUILESS_MAIN(tst_ToolsRegistration)
#include "tst_tools_registration.moc"
