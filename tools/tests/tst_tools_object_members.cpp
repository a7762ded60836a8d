// The object library's members driven through ovcall by name: its language,
// its string services, the list of its members, fonts, keys and help, and
// the calls it refuses.

#include "ObjectCall.h"

#include <QProcess>
#include <QTest>

class tst_ToolsObjectMembers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newObjectIsFrench()
    {
        const Result r = ovcall({"Language"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString("1"));
    }

    void languageIsStoredAsGiven_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("English") << "2";
        QTest::newRow("no language") << "0";
        QTest::newRow("unknown language") << "9";
    }
    void languageIsStoredAsGiven()
    {
        QFETCH(QString, value);
        const Result r = ovcall({"Language=" + value, "Language"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, value);
    }

    // The string services, each case as a client calls it by name.
    void stringServices_data()
    {
        QTest::addColumn<QStringList>("call");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QStringList& call, const QString& expected) {
            QTest::newRow(name) << call << expected;
        };
        row("AddSlashToPath empty", {"AddSlashToPath", ""}, "");
        row("AddSlashToPath drive", {"AddSlashToPath", "C:"}, "C:/");
        row("AddSlashToPath ends with separator", {"AddSlashToPath", "C:/"}, "C:/");
        row("AddSlashToPath separator alone", {"AddSlashToPath", "/"}, "/");
        row("AddSlashToPath backslash is no separator", {"AddSlashToPath", "C:/Data\\"},
            "C:/Data\\/");
        row("AddSlashToPath trailing space kept", {"AddSlashToPath", "C:/Data/ "}, "C:/Data/ /");
        row("AddSlashToPath home", {"AddSlashToPath", "/home/ana"}, "/home/ana/");

        row("RInStr last dot", {"RInStr", "a.b.c", "."}, "4");
        row("RInStr empty char", {"RInStr", "abc", ""}, "0");
        row("RInStr first char only", {"RInStr", "abc", "cx"}, "3");
        row("RInStr case sensitive", {"RInStr", "ABC", "b"}, "0");
        row("RInStr empty string", {"RInStr", "", "a"}, "0");

        row("AddQuote text", {"AddQuote", "abc"}, "\"abc\"");
        row("AddQuote empty", {"AddQuote", ""}, "\"\"");
        row("AddQuote keeps quotes", {"AddQuote", "\"x\""}, "\"\"x\"\"");

        row("RemoveQuote both ends", {"RemoveQuote", "\"text\""}, "text");
        row("RemoveQuote lone quote", {"RemoveQuote", "\""}, "");
        row("RemoveQuote two quotes", {"RemoveQuote", "\"\""}, "");
        row("RemoveQuote leading only", {"RemoveQuote", "\"abc"}, "abc");
        row("RemoveQuote trailing only", {"RemoveQuote", "abc\""}, "abc");
        row("RemoveQuote inner quotes stay", {"RemoveQuote", "\"a\"b\""}, "a\"b");
        row("RemoveQuote one at each end", {"RemoveQuote", "\"\"a\"\""}, "\"a\"");
        row("RemoveQuote empty", {"RemoveQuote", ""}, "");

        row("RemovePathFromFile folder", {"RemovePathFromFile", "C:/dir/"}, "");
        row("RemovePathFromFile no separator", {"RemovePathFromFile", "C:file.txt"}, "C:file.txt");
        row("RemovePathFromFile path", {"RemovePathFromFile", "/dir/file.txt"}, "file.txt");
        row("RemovePathFromFile backslashes", {"RemovePathFromFile", "C:\\dir\\f.txt"},
            "C:\\dir\\f.txt");
        row("RemovePathFromFile empty", {"RemovePathFromFile", ""}, "");

        row("GetPathName file", {"GetPathName", "C:/dir/file.txt"}, "C:/dir/");
        row("GetPathName bare name", {"GetPathName", "file.txt"}, "file.txt");
        row("GetPathName folder", {"GetPathName", "C:/dir/"}, "C:/dir/");
        row("GetPathName empty", {"GetPathName", ""}, "");

        row("GetFileExtension capitals", {"GetFileExtension", "C:/a/b.TXT"}, ".TXT");
        row("GetFileExtension trailing dot", {"GetFileExtension", "name."}, "");
        row("GetFileExtension none", {"GetFileExtension", "name"}, "");
        row("GetFileExtension dot in folder", {"GetFileExtension", "C:/dir.old/file"}, ".old/file");
        row("GetFileExtension empty", {"GetFileExtension", ""}, "");

        row("RemoveFileExtension last only", {"RemoveFileExtension", "archive.tar.gz"},
            "archive.tar");
        row("RemoveFileExtension trailing dot", {"RemoveFileExtension", "name."}, "name.");
        row("RemoveFileExtension none", {"RemoveFileExtension", "name"}, "name");
        row("RemoveFileExtension dot in folder", {"RemoveFileExtension", "C:/dir.old/file"},
            "C:/dir");

        row("RemovePathFileExtension file", {"RemovePathFileExtension", "C:/dir/file.txt"}, "file");
        row("RemovePathFileExtension no extension", {"RemovePathFileExtension", "C:/dir/file"},
            "file");
        row("RemovePathFileExtension folder", {"RemovePathFileExtension", "C:/dir/"}, "");
        row("RemovePathFileExtension dot in folder", {"RemovePathFileExtension", "/dir.old/file"},
            "file");

        row("FileHasExtension case ignored", {"FileHasExtension", "Readme.TXT", "txt"}, "True");
        row("FileHasExtension anywhere", {"FileHasExtension", "notes.txt.bak", ".txt"}, "True");
        row("FileHasExtension shorter", {"FileHasExtension", "a.tx", "txt"}, "False");
        row("FileHasExtension empty extension", {"FileHasExtension", "a.txt", ""}, "False");
        row("FileHasExtension empty name", {"FileHasExtension", "", "txt"}, "False");

        row("IsValidFileName plain", {"IsValidFileName", "report.txt"}, "True");
        row("IsValidFileName empty", {"IsValidFileName", ""}, "False");
        row("IsValidFileName slash", {"IsValidFileName", "a/b"}, "False");
        row("IsValidFileName drive and backslash", {"IsValidFileName", "C:\\x"}, "False");
        row("IsValidFileName question mark", {"IsValidFileName", "what?"}, "False");
        row("IsValidFileName double quote", {"IsValidFileName", "say \"hi\""}, "False");
        row("IsValidFileName bar", {"IsValidFileName", "a|b"}, "False");
        row("IsValidFileName angle brackets", {"IsValidFileName", "<a>"}, "False");
        row("IsValidFileName star", {"IsValidFileName", "*.txt"}, "False");
        row("IsValidFileName spaces and dots", {"IsValidFileName", " .. "}, "True");

        row("GetFileType French no extension", {"Language=1", "GetFileType", "notes"}, "Fichier");
        row("GetFileType French unregistered", {"Language=1", "GetFileType", "x.zzq"},
            "zzq Fichier");
        row("GetFileType English no extension", {"Language=2", "GetFileType", "notes"}, "File");
        row("GetFileType English unregistered", {"Language=2", "GetFileType", "x.zzq"}, "zzq File");
        row("GetFileType new object is French", {"GetFileType", "/a/b.Zzq"}, "Zzq Fichier");
        row("GetFileType empty", {"GetFileType", ""}, "");
    }
    void stringServices()
    {
        QFETCH(QStringList, call);
        QFETCH(QString, expected);
        const Result r = ovcall(call);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out, expected);
    }

    void membersInInterfaceOrder()
    {
        QProcess p;
        p.start(QStringLiteral(TOOL_DIR) + "/ovcall", {"--members", "OrvakObject.OVObject"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList members =
            QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        const QStringList expected{"GetConfirmValue",
                                   "FontName (write)",
                                   "Language (write)",
                                   "IsValidFontName",
                                   "PathExists",
                                   "FileExists",
                                   "SystemDirectory",
                                   "WindowsDirectory",
                                   "RInStr",
                                   "SetNumericData",
                                   "UserName",
                                   "ComputerName",
                                   "AddQuote",
                                   "RemovePathFileExtension",
                                   "RemovePathFromFile",
                                   "RemoveFileExtension",
                                   "GetFileExtension",
                                   "FileHasExtension",
                                   "AddSlashToPath",
                                   "CreateTempFile",
                                   "RemoveQuote",
                                   "IsValidFileName",
                                   "GetPathName",
                                   "GetFileType",
                                   "ShortPathName",
                                   "MessagePerso",
                                   "HelpExit",
                                   "HelpOnHelp",
                                   "HelpContext",
                                   "HelpIndex",
                                   "SetGlobalFont",
                                   "IsReadOnlyFile",
                                   "IsNormalFile",
                                   "IsArchiveFile",
                                   "IsHiddenFile",
                                   "IsSystemFile",
                                   "Language (read)",
                                   "AcceptNumeric",
                                   "DriveExists",
                                   "ShellAddToRecentDocs",
                                   "ShellGetFileProperties",
                                   "ShellMoveFiles",
                                   "ShellRenameFile",
                                   "FadeForm"};
        QCOMPARE(expected.size(), 44);
        QCOMPARE(members, expected);
    }

    void fontNamesIgnoreCase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("as installed") << "DejaVu Sans"
                                      << "True";
        QTest::newRow("lower case") << "dejavu sans"
                                    << "True";
        QTest::newRow("upper case") << "DEJAVU SANS"
                                    << "True";
        QTest::newRow("empty") << ""
                               << "False";
        QTest::newRow("unknown") << "Zzq Sans"
                                 << "False";
    }
    void fontNamesIgnoreCase()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const Result r = ovcall({"IsValidFontName", name});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);
    }

    void numericKeys_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("seven") << "55"
                               << "7";
        QTest::newRow("dot") << "46"
                             << "";
        QTest::newRow("comma") << "44"
                               << "";
    }
    void numericKeys()
    {
        QFETCH(QString, code);
        QFETCH(QString, expected);
        const Result r = ovcall({"AcceptNumeric", code});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);
    }

    void helpCallsRaiseNothing_data()
    {
        QTest::addColumn<QString>("member");
        QTest::newRow("exit") << "HelpExit";
        QTest::newRow("help on help") << "HelpOnHelp";
        QTest::newRow("context of a missing file") << "HelpContext";
    }
    void helpCallsRaiseNothing()
    {
        QFETCH(QString, member);
        const Result r = ovcall({member, "/no/such/help.html"});
        QCOMPARE(r.exitCode, 0);
    }

    void wrongCallsAreRefused_data()
    {
        QTest::addColumn<QStringList>("call");
        QTest::newRow("too few arguments") << QStringList{"RInStr", "abc"};
        QTest::newRow("too many arguments") << QStringList{"AddQuote", "a", "b"};
        QTest::newRow("unknown member") << QStringList{"Nothing"};
        QTest::newRow("FontName cannot be read") << QStringList{"FontName"};
        QTest::newRow("language out of range") << QStringList{"Language=4294967296", "Language"};
        QTest::newRow("a form cannot be named") << QStringList{"FadeForm", "frm", "1"};
        QTest::newRow("a control cannot be named") << QStringList{"SetNumericData", "txt", "53"};
    }
    void wrongCallsAreRefused()
    {
        QFETCH(QStringList, call);
        const Result r = ovcall(call);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(!r.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ToolsObjectMembers)
#include "tst_tools_object_members.moc"
