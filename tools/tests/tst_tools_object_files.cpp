// The object library's files, folders, system information and shell
// operations driven through ovcall, each run with its own temporary folders.

#include "ObjectCall.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

#include "PrivateMount.h"

#include <vector>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// Runs a command as the unprivileged user "nobody", for whom permission bits
// count, or answers false when that is impossible here.
bool canRunAsNobody()
{
    if (::geteuid() != 0)
        return false;
    return !QStandardPaths::findExecutable("setpriv").isEmpty();
}
const QStringList asNobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};

} // namespace

class tst_ToolsObjectFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileTypeRegisteredByTheShellLibrary()
    {
        QTemporaryDir data;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", data.path());
        const auto shell = [&env](const QStringList& args) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(TOOL_DIR) + "/ovcall",
                    QStringList{"OrvakShell.ShellLib2"} + args);
            return p.waitForFinished(30000) && p.exitCode() == 0;
        };
        if (!shell({"ShellRegisterFileType", "ZunoAcronyms", "Liste d'acronymes"}) ||
            !shell({"ShellRegisterExtension", "ZunoAcronyms", "acr"}))
            QSKIP("ovcall has no shell library to register with");
        QCOMPARE(ovcall({"GetFileType", "/home/ana/Acronyms.acr"}, env).out,
                 QString("Liste d'acronymes"));
        QCOMPARE(ovcall({"Language=2", "GetFileType", "Acronyms.ACR"}, env).out,
                 QString("Liste d'acronymes"));
        QCOMPARE(ovcall({"Language=2", "GetFileType", "Acronyms.zzq"}, env).out,
                 QString("zzq File"));
    }

    void fileServices_data()
    {
        QTest::addColumn<QStringList>("call");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QStringList& call, const QString& expected) {
            QTest::newRow(name) << call << expected;
        };
        // "@" stands for the test's folder.
        row("FileExists empty", {"FileExists", ""}, "False");
        row("FileExists empty file", {"FileExists", "@/empty.txt"}, "True");
        row("FileExists read-only file", {"FileExists", "@/readonly.txt"}, "True");
        row("FileExists folder", {"FileExists", "@/folder"}, "False");
        row("FileExists trailing separator", {"FileExists", "@/empty.txt/"}, "False");
        row("FileExists wildcard", {"FileExists", "@/*.txt"}, "False");
        row("FileExists missing", {"FileExists", "@/missing.txt"}, "False");
        row("FileExists pipe", {"FileExists", "@/pipe"}, "False");

        row("PathExists empty", {"PathExists", ""}, "False");
        row("PathExists folder with files", {"PathExists", "@"}, "True");
        row("PathExists empty folder", {"PathExists", "@/folder"}, "True");
        row("PathExists file", {"PathExists", "@/empty.txt"}, "False");
        row("PathExists missing", {"PathExists", "@/missing"}, "False");

        row("ShortPathName folder", {"ShortPathName", "@/folder"}, "");
        row("ShortPathName missing", {"ShortPathName", "@/missing.txt"}, "");
        row("ShortPathName file is its own short name", {"ShortPathName", "@/empty.txt"},
            "@/empty.txt");

        row("DriveExists empty", {"DriveExists", ""}, "False");
        row("DriveExists no such root", {"DriveExists", "/zz-no-such-mount"}, "False");
    }
    void fileServices()
    {
        QFETCH(QStringList, call);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString d = dir.path();
        QFile(d + "/empty.txt").open(QIODevice::WriteOnly);
        QFile(d + "/readonly.txt").open(QIODevice::WriteOnly);
        QFile::setPermissions(d + "/readonly.txt", QFile::ReadOwner);
        QDir(d).mkdir("folder");
        QCOMPARE(::mkfifo(QFile::encodeName(d + "/pipe").constData(), 0600), 0);

        call.replaceInStrings(QRegularExpression("^@"), d);
        const Result r = ovcall(call);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString(expected).replace(QRegularExpression("^@"), d));
        QVERIFY(!QFile::exists(d + "/missing.txt"));
    }

    // A desktop's list of mounted roots is far longer than one drive letter
    // each: 30 small mounts, then the root and the last mount are found.
    void driveExistsAmongManyMounts()
    {
        QTemporaryDir dir;
        std::vector<PrivateMount> mounts;
        for (int i = 0; i < 30; ++i) {
            const QString folder = dir.filePath(QString::number(i));
            QVERIFY(QDir().mkdir(folder));
            mounts.push_back(PrivateMount::smallDisk(folder, 16));
            ZUNO_REQUIRE_MOUNT(mounts.back());
        }
        QCOMPARE(ovcall({"DriveExists", "/"}).out, QString("True"));
        QCOMPARE(ovcall({"DriveExists", dir.filePath("29")}).out, QString("True"));
    }

    void unreadableFileDoesNotExistForItsReader()
    {
        if (!canRunAsNobody())
            QSKIP("needs root and setpriv to run ovcall as an unprivileged user");
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
        const QString readable = dir.path() + "/readable.txt";
        const QString unreadable = dir.path() + "/unreadable.txt";
        QFile(readable).open(QIODevice::WriteOnly);
        QFile(unreadable).open(QIODevice::WriteOnly);
        QFile::setPermissions(readable, QFile::ReadOwner | QFile::ReadOther);
        QFile::setPermissions(unreadable, QFile::WriteOwner);
        const Result control = ovcall({"FileExists", readable}, {}, asNobody);
        if (control.exitCode != 0)
            QSKIP("ovcall cannot run as an unprivileged user here");
        QCOMPARE(control.out, QString("True"));
        const Result r = ovcall({"FileExists", unreadable}, {}, asNobody);
        QCOMPARE(r.out, QString("False"));
    }

    void createTempFileInTheUsersTemporaryFolder()
    {
        QTemporaryDir tmp;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tmp.path());
        const Result r = ovcall({"CreateTempFile", "Smiley"}, env);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(QRegularExpression('^' + QRegularExpression::escape(tmp.path()) +
                                    "/Smi[0-9A-F]{1,4}\\.tmp$")
                     .match(r.out)
                     .hasMatch(),
                 qPrintable(r.out));
        QVERIFY(QFileInfo(r.out).isFile());
        QCOMPARE(QFileInfo(r.out).size(), 0);
    }

    void createTempFileInAMissingFolderAnswersEmpty()
    {
        QTemporaryDir tmp;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tmp.path() + "/missing");
        const Result r = ovcall({"CreateTempFile", "abc"}, env);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString());
    }

    void systemInformation()
    {
        QProcess id;
        id.start("id", {"-un"});
        QVERIFY(id.waitForFinished());
        const QString user = QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed();
        QProcess uname;
        uname.start("uname", {"-n"});
        QVERIFY(uname.waitForFinished());
        const QString host =
            QString::fromLocal8Bit(uname.readAllStandardOutput()).trimmed().section('.', 0, 0);

        if (!user.isEmpty())
            QCOMPARE(ovcall({"UserName"}).out, user);
        QCOMPARE(ovcall({"ComputerName"}).out, host);
        QCOMPARE(ovcall({"WindowsDirectory"}).out, QString("/"));
        const QString system = ovcall({"SystemDirectory"}).out;
        QVERIFY2(QFileInfo(system).isDir() && !system.endsWith('/'), qPrintable(system));
    }

    void attributes_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hidden by its bits") << "IsHiddenFile"
                                            << "marked.txt"
                                            << "True";
        QTest::newRow("archive by its bits") << "IsArchiveFile"
                                             << "marked.txt"
                                             << "True";
        QTest::newRow("not system") << "IsSystemFile"
                                    << "marked.txt"
                                    << "False";
        QTest::newRow("marked file is not normal") << "IsNormalFile"
                                                   << "marked.txt"
                                                   << "False";
        QTest::newRow("plain file is normal") << "IsNormalFile"
                                              << "plain.txt"
                                              << "True";
        QTest::newRow("read-only") << "IsReadOnlyFile"
                                   << "readonly.txt"
                                   << "True";
        QTest::newRow("dot file is hidden") << "IsHiddenFile"
                                            << ".hidden"
                                            << "True";
        QTest::newRow("folder is nothing") << "IsHiddenFile"
                                           << "folder"
                                           << "False";
        QTest::newRow("missing is nothing") << "IsReadOnlyFile"
                                            << "missing"
                                            << "False";
        QTest::newRow("empty name is nothing") << "IsNormalFile"
                                               << ""
                                               << "False";
    }
    void attributes()
    {
        QFETCH(QString, member);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString d = dir.path() + '/';
        for (const char* name : {"marked.txt", "plain.txt", "readonly.txt", ".hidden"})
            QFile(d + name).open(QIODevice::WriteOnly);
        QFile::setPermissions(d + "readonly.txt", QFile::ReadOwner);
        QDir(d).mkdir("folder");
        if (::setxattr(QFile::encodeName(d + "marked.txt").constData(), "user.DOSATTRIB", "0x22", 4,
                       0) != 0)
            QSKIP("this file system keeps no user extended attributes");
        const Result r = ovcall({member, file.isEmpty() ? file : d + file});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);
    }

    void moveOneFileAndRenameIt()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        QFile a(d + "/a.smy");
        QVERIFY(a.open(QIODevice::WriteOnly));
        a.write("\"a\",\"b\"\r\n");
        a.close();
        QCOMPARE(ovcall({"ShellMoveFiles", d + "/a.smy", d + "/moved"}).exitCode, 0);
        QVERIFY(!QFile::exists(d + "/a.smy"));
        QVERIFY(QFile::exists(d + "/moved/a.smy"));
        QCOMPARE(ovcall({"ShellRenameFile", d + "/moved/a.smy", d + "/moved/b.smy"}).exitCode, 0);
        QFile b(d + "/moved/b.smy");
        QVERIFY(b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), QByteArray("\"a\",\"b\"\r\n"));
        QVERIFY(!QFile::exists(d + "/moved/a.smy"));
    }

    void recentDocumentEntry()
    {
        QTemporaryDir data;
        QTemporaryDir files;
        const QString file = files.path() + "/Smileys.smy";
        QFile(file).open(QIODevice::WriteOnly);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", data.path());
        QCOMPARE(ovcall({"ShellAddToRecentDocs", file}, env).exitCode, 0);

        QFile list(data.path() + "/recently-used.xbel");
        QVERIFY(list.open(QIODevice::ReadOnly));
        QXmlStreamReader r(&list);
        QStringList hrefs;
        QStringList applications;
        while (!r.atEnd()) {
            if (r.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (r.name() == QLatin1String("bookmark"))
                hrefs << r.attributes().value("href").toString();
            if (r.namespaceUri() ==
                    QLatin1String("http://www.freedesktop.org/standards/desktop-bookmarks") &&
                r.name() == QLatin1String("application"))
                applications << r.attributes().value("name").toString();
        }
        QVERIFY2(!r.hasError(), qPrintable(r.errorString()));
        QCOMPARE(hrefs, QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)});
        QCOMPARE(applications, QStringList{"ovcall"});
    }

    void propertiesWithoutABusDoNothing()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zuno-bus");
        const Result r = ovcall({"ShellGetFileProperties", "0", "/etc/hostname"}, env);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString());
    }
};

QTEST_GUILESS_MAIN(tst_ToolsObjectFiles)
#include "tst_tools_object_files.moc"
