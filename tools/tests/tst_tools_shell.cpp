#include "ToolRun.h"

#include "PrivateMount.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using Run = ToolRun;

const QString AppPath = "ApplicationPath=/opt/Zuno Smileys";
const QString AppName = "ApplicationName=ZunoSmiley";

} // namespace

// The shell registration library driven through ovcall, and what it wrote
// read back with ovreg, each test in its own data folder.
class tst_ToolsShell : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_data;

    QString storeFolder() const { return m_data->filePath("ZunoSmileys"); }

    Run run(const QString& tool, const QStringList& args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_data->path());
        return runTool(QString(TOOL_DIR) + "/" + tool, args, env);
    }

    Run ovcall(const QStringList& args) const { return run("ovcall", args); }

    QStringList ovreg(const QString& key = QString()) const
    {
        const Run result =
            run("ovreg", key.isNull() ? QStringList{"query"} : QStringList{"query", key});
        if (result.exitCode != 0)
            return {QString("exit %1: %2").arg(result.exitCode).arg(result.err.trimmed())};
        return result.out.split('\n', Qt::SkipEmptyParts);
    }

    // The program's own registration of its two list-file types.
    void registerProgramTypes() const
    {
        const QStringList shell = {"OrvakShell.ShellLib2", AppName, AppPath};
        const QList<QStringList> calls = {
            {"ShellRegisterFileType", "ZunoSmileys", "Liste de smileys"},
            {"ShellRegisterFileType", "ZunoAcronyms", "Liste d'acronymes"},
            {"ShellRegisterExtension", "ZunoSmileys", "smy"},
            {"ShellRegisterExtension", "ZunoAcronyms", "acr"},
            {"ShellSetDefaultIcon", "ZunoSmileys", ",1"},
            {"ShellSetDefaultIcon", "ZunoAcronyms", ",2"},
            {"ShellSetQuickView", "ZunoSmileys"},
            {"ShellSetQuickView", "ZunoAcronyms"},
            {"ShellAddContextMenu", "ZunoSmileys", "open", "", "&Ouvrir", "-1"},
        };
        for (const QStringList& call : calls)
            QCOMPARE(ovcall(shell + call).exitCode, 0);
    }

    QStringList everyRegisteredKey() const
    {
        QStringList lines;
        for (const QString key :
             {".smy", ".acr", "ZunoSmileys", "ZunoAcronyms", "ZunoSmileys\\DefaultIcon",
              "ZunoAcronyms\\DefaultIcon", "ZunoSmileys\\QuickView", "ZunoAcronyms\\QuickView",
              "ZunoSmileys\\Shell", "ZunoSmileys\\Shell\\open",
              "ZunoSmileys\\Shell\\open\\command"})
            lines << key << ovreg(key);
        return lines;
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        QVERIFY(m_data->isValid());
    }

    void defaultIconReadsBack_data()
    {
        QTest::addColumn<QString>("iconNumber");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("empty") << ""
                               << ",0";
        QTest::newRow("blank") << " "
                               << ",0";
        QTest::newRow("1") << "1"
                           << ",1";
        QTest::newRow("blank 2 blank") << " 2 "
                                       << ",2";
        QTest::newRow(",3") << ",3"
                            << ",3";
    }
    void defaultIconReadsBack()
    {
        QFETCH(QString, iconNumber);
        QFETCH(QString, suffix);
        const Run result = ovcall({"OrvakShell.ShellLib2", AppName, AppPath, "ShellSetDefaultIcon",
                                   "ZunoSmileys", iconNumber});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(ovreg("ZunoSmileys\\DefaultIcon"),
                 QStringList{"(default)  REG_SZ  /opt/Zuno Smileys/ZunoSmiley" + suffix});
    }

    void extensionWithAndWithoutDotIsOneKey()
    {
        QCOMPARE(ovcall({"OrvakShell.ShellLib2", "ShellRegisterExtension", "ZunoSmileys", "smy"})
                     .exitCode,
                 0);
        QCOMPARE(
            ovcall({"OrvakShell.ShellLib", "ShellRegisterExtension", "ZunoSmileys", ".smy"}).out,
            QString("False\n"));
        QCOMPARE(ovreg(), QStringList{"[.smy]"});
        QCOMPARE(ovreg(".SMY"), QStringList{"(default)  REG_SZ  ZunoSmileys"});
    }

    void contextMenuQuotesTheExecutable_data()
    {
        QTest::addColumn<QString>("useFile");
        QTest::addColumn<QString>("command");
        QTest::newRow("true (-1) adds the file") << "-1"
                                                 << "\"/opt/Zuno Smileys/ZunoSmiley\" \"%1\"";
        QTest::newRow("1 is not true") << "1"
                                       << "\"/opt/Zuno Smileys/ZunoSmiley\"";
        QTest::newRow("false") << "0"
                               << "\"/opt/Zuno Smileys/ZunoSmiley\"";
    }
    void contextMenuQuotesTheExecutable()
    {
        QFETCH(QString, useFile);
        QFETCH(QString, command);
        const QStringList shell = {"OrvakShell.ShellLib2", AppName, AppPath};
        QCOMPARE(ovcall(shell + QStringList{"ShellAddContextMenu", "ZunoSmileys", "open", "",
                                            "Ouvrir", useFile})
                     .exitCode,
                 0);
        QCOMPARE(ovcall(shell + QStringList{"ShellSetDefaultIcon", "ZunoSmileys", "1"}).exitCode,
                 0);
        QCOMPARE(ovreg("ZunoSmileys\\Shell\\open\\command"),
                 QStringList{"(default)  REG_SZ  " + command});
        QCOMPARE(ovreg("ZunoSmileys\\Shell\\open"),
                 QStringList({"(default)  REG_SZ  Ouvrir", "[command]"}));
        QCOMPARE(ovreg("ZunoSmileys\\Shell"),
                 QStringList({"(default)  (value not set)", "[open]"}));
        QCOMPARE(ovreg("ZunoSmileys\\DefaultIcon"),
                 QStringList{"(default)  REG_SZ  /opt/Zuno Smileys/ZunoSmiley,1"});
    }

    void errorsAreReportedAndWriteNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString noName = "error 0x8004041B: Le nom du fichier est manquant !!!";
        const QString noPath = "error 0x8004041C: Le chemin d'accès est manquant !!!";
        const QString badArgs = "error 0x8004041D: Un ou plusieurs arguments sont incorrect !!!";
        QTest::newRow("icon without name") << QStringList{"OrvakShell.ShellLib2", AppPath,
                                                          "ShellSetDefaultIcon", "ZunoSmileys", "1"}
                                           << noName;
        QTest::newRow("icon without path") << QStringList{"OrvakShell.ShellLib", AppName,
                                                          "ShellSetDefaultIcon", "ZunoSmileys", "1"}
                                           << noPath;
        QTest::newRow("menu without path") << QStringList{"OrvakShell.ShellLib2",
                                                          AppName,
                                                          "ShellAddContextMenu",
                                                          "ZunoSmileys",
                                                          "open",
                                                          "",
                                                          "Ouvrir",
                                                          "-1"}
                                           << noPath;
        QTest::newRow("quick view without class")
            << QStringList{"OrvakShell.ShellLib", "ShellSetQuickView", ""} << badArgs;
        QTest::newRow("extension empty")
            << QStringList{"OrvakShell.ShellLib2", "ShellRegisterExtension", "ZunoSmileys", ""}
            << badArgs;
        QTest::newRow("menu without class, verb or arguments")
            << QStringList{"OrvakShell.ShellLib2",
                           AppName,
                           AppPath,
                           "ShellAddContextMenu",
                           "",
                           "",
                           "",
                           "Ouvrir",
                           "-1"}
            << badArgs;
    }
    void errorsAreReportedAndWriteNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run result = ovcall(args);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("ovcall: " + message), qPrintable(result.err));
        QCOMPARE(ovreg(), QStringList());
        QVERIFY(!QFile::exists(storeFolder()));
    }

    void quickViewAnswersFalseWhenWrittenTrueWhenReadOnly()
    {
        const QStringList call = {"OrvakShell.ShellLib", "ShellSetQuickView", "ZunoSmileys"};
        Run result = ovcall(call);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QString("False\n"));
        QCOMPARE(ovreg("ZunoSmileys\\QuickView"), QStringList{"(default)  REG_SZ  *"});

        // Root ignores permission bits; a read-only mount holds for root too.
        const PrivateMount readOnly = PrivateMount::readOnly(storeFolder());
        ZUNO_REQUIRE_MOUNT(readOnly);
        result = ovcall({"OrvakShell.ShellLib", "ShellSetQuickView", "ZunoAcronyms"});
        QCOMPARE(result.exitCode, 3);
        QCOMPARE(result.out, QString("True\n"));
        QVERIFY2(result.err.contains("refused the key \"ZunoAcronyms\\QuickView\""),
                 qPrintable(result.err));
        QCOMPARE(ovreg(), QStringList{"[ZunoSmileys]"});
    }

    // A key the store cannot hold is written nowhere and is a failure with its
    // reason, through ShellLib2 (which ignores the store's answer) as through
    // ShellLib (which answers True).
    void keysTheStoreCannotHoldFail_data()
    {
        QTest::addColumn<QStringList>("call");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("reason");
        QTest::newRow("256-character class name")
            << QStringList{"OrvakShell.ShellLib2", "ShellRegisterFileType", QString(256, 'k'), "x"}
            << "\n"
            << "a name of 256 characters (at most 255)";
        QTest::newRow("tab in the class name")
            << QStringList{"OrvakShell.ShellLib", "ShellRegisterFileType", "Zuno\tSmileys", "x"}
            << "True\n"
            << "control character U+0009";
        // The verb key would be "\Shell\".
        const QStringList menu = {AppName, AppPath, "ShellAddContextMenu", "", "", "/x"};
        QTest::newRow("only the arguments, ShellLib2")
            << QStringList{"OrvakShell.ShellLib2"} + menu + QStringList{"Menu", "-1"} << "\n"
            << "an empty name";
        QTest::newRow("only the arguments, ShellLib")
            << QStringList{"OrvakShell.ShellLib"} + menu + QStringList{"-1"} << "True\n"
            << "an empty name";
    }
    void keysTheStoreCannotHoldFail()
    {
        QFETCH(QStringList, call);
        QFETCH(QString, out);
        QFETCH(QString, reason);
        const Run result = ovcall(call);
        QCOMPARE(result.exitCode, 3);
        QCOMPARE(result.out, out);
        QVERIFY2(result.err.contains(reason), qPrintable(result.err));
        QVERIFY2(result.err.contains("ovcall: the class registry store refused"),
                 qPrintable(result.err));
        QCOMPARE(ovreg(), QStringList());
    }

    void registeringTwiceLeavesTheStoreAsOnce()
    {
        registerProgramTypes();
        const QStringList once = everyRegisteredKey();
        QCOMPARE(ovreg(), QStringList({"[.acr]", "[.smy]", "[ZunoAcronyms]", "[ZunoSmileys]"}));
        QCOMPARE(ovreg("ZunoSmileys"), QStringList({"(default)  REG_SZ  Liste de smileys",
                                                    "[DefaultIcon]", "[QuickView]", "[Shell]"}));
        registerProgramTypes();
        QCOMPARE(everyRegisteredKey(), once);
    }

    void objectLibraryReadsTheRegistration()
    {
        registerProgramTypes();
        const Run result =
            ovcall({"OrvakObject.OVObject", "Language=2", "GetFileType", "/home/zoe/Smileys.SMY"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QString("Liste de smileys\n"));
    }

    void ovregRefusesWhatItCannotAnswer_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList() << 2 << "usage: ovreg query [KEY]";
        QTest::newRow("unknown command") << QStringList{"list"} << 2 << "usage: ovreg query [KEY]";
        QTest::newRow("two keys") << QStringList{"query", "a", "b"} << 2
                                  << "usage: ovreg query [KEY]";
        QTest::newRow("empty key") << QStringList{"query", ""} << 2 << "invalid key name";
        QTest::newRow("doubled separator")
            << QStringList{"query", "ZunoSmileys\\\\DefaultIcon"} << 2 << "invalid key name";
        QTest::newRow("256-character name")
            << QStringList{"query", "ZunoSmileys\\" + QString(256, 'k')} << 2 << "256 characters";
        QTest::newRow("tab") << QStringList{"query", "Zuno\tSmileys"} << 2 << "control character";
        QTest::newRow("missing key") << QStringList{"query", "ZunoSmileys\\Nothing"} << 1
                                     << "no key ZunoSmileys\\Nothing in ";
    }
    void ovregRefusesWhatItCannotAnswer()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QCOMPARE(ovcall({"OrvakShell.ShellLib2", "ShellRegisterFileType", "ZunoSmileys", "Smileys"})
                     .exitCode,
                 0);
        const Run result = run("ovreg", args);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QCOMPARE(result.out, QString());
    }

    // A damaged store is reported by the reader and left as it is; the next
    // registration sets it aside beside itself and registers in a new store.
    void damagedStoreIsReportedThenRebuilt()
    {
        QVERIFY(QDir().mkpath(storeFolder()));
        QFile store(storeFolder() + "/registry.sqlite");
        QVERIFY(store.open(QIODevice::WriteOnly));
        store.write(QByteArray(1024, '\x7f'));
        store.close();

        Run result = run("ovreg", {"query"});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("cannot read the class registry store"),
                 qPrintable(result.err));
        QVERIFY(store.open(QIODevice::ReadOnly));
        QCOMPARE(store.readAll(), QByteArray(1024, '\x7f'));
        store.close();

        result = ovcall({"OrvakShell.ShellLib", "ShellRegisterFileType", "ZunoSmileys", "Smileys"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QString("False\n"));
        QVERIFY2(result.err.contains("was damaged"), qPrintable(result.err));
        QCOMPARE(ovreg("ZunoSmileys"), QStringList{"(default)  REG_SZ  Smileys"});
        const QStringList setAside =
            QDir(storeFolder()).entryList({"registry.sqlite.damaged-*"}, QDir::Files);
        QCOMPARE(setAside.size(), 1);
        QFile kept(storeFolder() + "/" + setAside.first());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray(1024, '\x7f'));
    }
};

QTEST_GUILESS_MAIN(tst_ToolsShell)
#include "tst_tools_shell.moc"
