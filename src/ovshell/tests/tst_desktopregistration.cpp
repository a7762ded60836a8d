#include "ovshell/ShellLib.h"
#include "ovshell/ShellLib2.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

// What the desktop sees of a registration: the user's MIME types, icons and
// desktop entries read back by the desktop's own tools (gio, Qt's MIME
// database in a fresh process, desktop-file-validate), each test with its own
// temporary XDG folders.
namespace {

const QString ProgramId = "example.orvak.ZunoSmiley";
const QString SmileysType = "application/x-zunosmileys";
const QString AcronymsType = "application/x-zunoacronyms";
const QString SmileysComment = "Orvak Zuno Smileys - Smileys List";
const QString AcronymsComment = "Orvak Zuno Smileys - Acronyms List";

QByteArray picture(const char* colour)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\">"
                      "<circle cx=\"8\" cy=\"8\" r=\"7\" fill=\"") +
           colour + "\"/></svg>\n";
}

struct Run
{
    int exitCode = -1;
    QString out;
};

Run run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    Run result;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
        result.out = QString::fromUtf8(process.readAll());
    }
    return result;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

class tst_DesktopRegistration : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    QByteArray m_path = qgetenv("PATH");

    QString data() const { return m_root->filePath("data"); }
    QString system() const { return m_root->filePath("system"); }
    QString programFolder() const { return m_root->filePath("Zuno Smileys"); }
    QString entryPath(const QString& id) const
    {
        return data() + "/applications/" + id + ".desktop";
    }
    QString packagePath(const QString& name) const
    {
        return data() + "/mime/packages/application-x-" + name + ".xml";
    }
    QString iconPath(const QString& name) const
    {
        return data() + "/icons/hicolor/scalable/mimetypes/application-x-" + name + ".svg";
    }

    // The program's registration of its two list-file types, with the calls
    // that give the desktop its icons and its desktop entry.
    void registerProgram(const QString& folder = QString()) const
    {
        ShellLib2 shell;
        shell.setApplicationName("ZunoSmiley");
        shell.setApplicationPath(folder.isEmpty() ? programFolder() : folder);
        shell.setIconData(0, picture("yellow"));
        shell.setIconData(1, picture("orange"));
        shell.setIconData(2, picture("blue"));
        shell.ShellRegisterFileType("ZunoSmileys", SmileysComment);
        shell.ShellRegisterFileType("ZunoAcronyms", AcronymsComment);
        shell.ShellRegisterExtension("ZunoSmileys", "smy");
        shell.ShellRegisterExtension("ZunoAcronyms", "acr");
        shell.ShellSetDefaultIcon("ZunoSmileys", ",1");
        shell.ShellSetDefaultIcon("ZunoAcronyms", ",2");
        shell.ShellSetQuickView("ZunoSmileys");
        shell.ShellSetQuickView("ZunoAcronyms");
        shell.registerDesktopEntry(ProgramId, "Orvak Zuno Smileys",
                                   {"ZunoSmileys", "ZunoAcronyms"});
        shell.ShellAddContextMenu("ZunoAcronyms", "edit", "--edit", "&Modifier", -1);
    }

    // Every file of the data folder but the class registry store, with its
    // bytes, modification time in nanoseconds and inode (a replaced file has a
    // new one).
    QStringList snapshot() const
    {
        QStringList lines;
        QDirIterator it(data(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            struct stat status = {};
            if (path.contains("/ZunoSmileys/") || ::stat(QFile::encodeName(path), &status) != 0)
                continue;
            lines << QString("%1 %2.%3 %4 %5")
                         .arg(path)
                         .arg(status.st_mtim.tv_sec)
                         .arg(status.st_mtim.tv_nsec)
                         .arg(status.st_ino)
                         .arg(QString::fromLatin1(contentOf(path).toHex()));
        }
        lines.sort();
        return lines;
    }

    static void requireTools(const QStringList& tools)
    {
        for (const QString& tool : tools) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed (see build.sh)"));
        }
    }

    // The content type as GIO reads it.
    static QString gioTypeOf(const QString& file)
    {
        const Run result = run("gio", {"info", "-a", "standard::content-type", file});
        return result.out.section("standard::content-type: ", 1).trimmed();
    }

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        QVERIFY(QDir().mkpath(data()) && QDir().mkpath(system()));
        // The user's data folder named first, as desktops do.
        qputenv("XDG_DATA_HOME", QFile::encodeName(data()));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(data() + ":" + system() + ":/usr/share"));
        qputenv("PATH", m_path);
        QVERIFY(writeFile(programFolder() + "/ZunoSmiley", "#!/bin/sh\nexit 0\n"));
        QVERIFY(QFile::setPermissions(programFolder() + "/ZunoSmiley",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    void cleanup() { qputenv("PATH", m_path); }

    void theDesktopKnowsTheProgramTypes()
    {
        requireTools(
            {"gio", "update-mime-database", "update-desktop-database", "desktop-file-validate"});
        // First without the tools: the database is built once they are there,
        // though the files stay as they are.
        qputenv("PATH", "/nonexistent");
        registerProgram();
        qputenv("PATH", m_path);
        QVERIFY(!QFile::exists(data() + "/mime/mime.cache"));
        registerProgram();

        QVERIFY(writeFile(m_root->filePath("friends.smy"), "\"x\",\"y\"\r\n"));
        QVERIFY(writeFile(m_root->filePath("chat.ACR"), "\"LOL\",\"rire\"\r\n"));
        QCOMPARE(gioTypeOf(m_root->filePath("friends.smy")), SmileysType);
        QCOMPARE(gioTypeOf(m_root->filePath("chat.ACR")), AcronymsType);
        // Qt's database in a fresh process: the type, its description and icon.
        const QString self = QCoreApplication::applicationFilePath();
        QCOMPARE(run(self, {"--mime-of", m_root->filePath("friends.smy")}).out,
                 SmileysType + "\n" + SmileysComment + "\napplication-x-zunosmileys\n");
        QCOMPARE(run(self, {"--mime-of", m_root->filePath("chat.ACR")}).out,
                 AcronymsType + "\n" + AcronymsComment + "\napplication-x-zunoacronyms\n");

        QVERIFY(run("gio", {"mime", SmileysType}).out.contains("\t" + ProgramId + ".desktop\n"));
        const QString acronyms = run("gio", {"mime", AcronymsType}).out;
        QVERIFY2(acronyms.contains("\t" + ProgramId + ".desktop\n") &&
                     acronyms.contains("\texample.orvak.OVShell.zunoacronyms.edit.desktop\n"),
                 qPrintable(acronyms));
        const QStringList entries = QDir(data() + "/applications").entryList({"*.desktop"});
        QCOMPARE(entries.size(), 2);
        for (const QString& entry : entries) {
            const Run valid = run("desktop-file-validate", {data() + "/applications/" + entry});
            QVERIFY2(valid.exitCode == 0 && valid.out.isEmpty(), qPrintable(entry + valid.out));
        }
        const QByteArray program = contentOf(entryPath(ProgramId));
        QVERIFY2(program.contains("\nExec=\"" + QFile::encodeName(programFolder()) +
                                  "/ZunoSmiley\" %F\n") &&
                     program.contains("\nIcon=" + ProgramId.toLatin1() + "\n") &&
                     program.contains("\nMimeType=application/x-zunosmileys;"
                                      "application/x-zunoacronyms;\n"),
                 program.constData());
        QVERIFY(contentOf(iconPath("zunoacronyms")).contains("fill=\"blue\""));

        // A normal second registration writes nothing at all.
        const QStringList once = snapshot();
        registerProgram();
        QCOMPARE(snapshot(), once);
    }

    void aContextMenuAloneReachesTheDesktop()
    {
        requireTools({"gio", "update-desktop-database"});
        ShellLib shell;
        shell.setApplicationName("ZunoSmiley");
        shell.setApplicationPath(programFolder());
        QCOMPARE(shell.ShellRegisterExtension("ZunoSmileys", "smy"), false);
        QCOMPARE(shell.ShellAddContextMenu("ZunoSmileys", "Open", "", -1), false);
        const QString id = "example.orvak.OVShell.zunosmileys.open.desktop";
        QVERIFY(contentOf(data() + "/applications/" + id).contains("\nName=Open\n"));
        QVERIFY(run("gio", {"mime", SmileysType}).out.contains("\t" + id + "\n"));
    }

    void otherProgramsFilesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("kind");
        QTest::newRow("MIME package") << "mime/packages/application-x-zunosmileys.xml"
                                      << "file";
        QTest::newRow("desktop entry") << "applications/example.orvak.ZunoSmiley.desktop"
                                       << "file";
        QTest::newRow("link at the icon")
            << "icons/hicolor/scalable/mimetypes/application-x-zunosmileys.svg"
            << "link";
        QTest::newRow("folder at the context entry")
            << "applications/example.orvak.OVShell.zunoacronyms.edit.desktop"
            << "folder";
        QTest::newRow("MIME folder is a file") << "mime"
                                               << "file";
    }
    void otherProgramsFilesAreLeftAlone()
    {
        QFETCH(QString, path);
        QFETCH(QString, kind);
        const QString target = data() + "/" + path;
        const QByteArray theirs = "[Desktop Entry]\nName=Someone else's\n";
        if (kind == "file") {
            QVERIFY(writeFile(target, theirs));
        } else if (kind == "link") {
            // A link even to a file that looks like the library's own.
            QVERIFY(writeFile(m_root->filePath("elsewhere.svg"),
                              "<!-- X-OrvakShell-Registration -->" + picture("red")));
            QVERIFY(QDir().mkpath(QFileInfo(target).path()));
            QVERIFY(QFile::link(m_root->filePath("elsewhere.svg"), target));
        } else {
            QVERIFY(QDir().mkpath(target));
        }
        registerProgram();

        if (kind == "file") {
            QCOMPARE(contentOf(target), theirs);
        } else if (kind == "link") {
            QCOMPARE(QFileInfo(target).symLinkTarget(), m_root->filePath("elsewhere.svg"));
            QVERIFY(contentOf(target).contains("red"));
        } else {
            QVERIFY(QFileInfo(target).isDir());
        }
        // Everything else is written all the same.
        const QStringList written = {packagePath("zunoacronyms"), iconPath("zunoacronyms"),
                                     entryPath(ProgramId),
                                     entryPath("example.orvak.OVShell.zunoacronyms.edit")};
        for (const QString& file : written) {
            if (!file.startsWith(target))
                QVERIFY2(contentOf(file).contains("X-OrvakShell-Registration"), qPrintable(file));
        }
    }

    void anInstalledPackageIsNotCopiedPerUser_data()
    {
        QTest::addColumn<bool>("sameProgram");
        QTest::newRow("the package's program") << true;
        QTest::newRow("another copy of the program") << false;
    }
    void anInstalledPackageIsNotCopiedPerUser()
    {
        QFETCH(bool, sameProgram);
        requireTools({"update-mime-database"});
        // Copies from a start before the package was installed.
        registerProgram();
        QVERIFY(QFile::exists(packagePath("zunosmileys")));

        // The package: its types, icons and entry, Exec naming the program
        // through PATH.
        QByteArray package = "<?xml version=\"1.0\"?>\n<mime-info xmlns=\"http://www.freedesktop."
                             "org/standards/shared-mime-info\">\n";
        for (const QStringList& type : {QStringList{SmileysType, SmileysComment, "*.smy"},
                                        QStringList{AcronymsType, AcronymsComment, "*.acr"}})
            package += QString("<mime-type type=\"%1\"><comment>%2</comment><comment "
                               "xml:lang=\"fr\">Liste</comment><sub-class-of "
                               "type=\"text/plain\"/><glob pattern=\"%3\"/></mime-type>\n")
                           .arg(type[0], type[1], type[2])
                           .toUtf8();
        QVERIFY(writeFile(system() + "/mime/packages/" + ProgramId + ".xml",
                          package + "</mime-info>\n"));
        QCOMPARE(run("update-mime-database", {system() + "/mime"}).exitCode, 0);
        for (const QString& icon :
             QStringList{"mimetypes/application-x-zunosmileys",
                         "mimetypes/application-x-zunoacronyms", "apps/" + ProgramId})
            QVERIFY(
                writeFile(system() + "/icons/hicolor/scalable/" + icon + ".svg", picture("green")));
        QVERIFY(writeFile(system() + "/applications/" + ProgramId + ".desktop",
                          "[Desktop Entry]\nType=Application\nName=Zuno Smileys\n"
                          "Exec=ZunoSmiley %F\nIcon=example.orvak.ZunoSmiley\n"
                          "MimeType=application/x-zunosmileys;application/x-zunoacronyms;\n"));
        const QString installed = m_root->filePath("usr/bin");
        QVERIFY(QDir().mkpath(installed));
        QVERIFY(QFile::copy(programFolder() + "/ZunoSmiley", installed + "/ZunoSmiley"));
        qputenv("PATH", QFile::encodeName(installed) + ":" + m_path);

        registerProgram(sameProgram ? installed : programFolder());
        for (const QString& copy : {packagePath("zunosmileys"), packagePath("zunoacronyms"),
                                    iconPath("zunosmileys"), iconPath("zunoacronyms")})
            QVERIFY2(!QFile::exists(copy), qPrintable(copy));
        QCOMPARE(QFile::exists(entryPath(ProgramId)), !sameProgram);
        // The context-menu command is not the package's: it stays per user.
        QVERIFY(QFile::exists(entryPath("example.orvak.OVShell.zunoacronyms.edit")));
    }

    void aMovedExtensionLeavesItsFormerType()
    {
        ShellLib shell;
        QCOMPARE(shell.ShellRegisterExtension("ZunoSmileys", "smy"), false);
        QCOMPARE(shell.ShellRegisterExtension("ZunoSmileys", "smiley"), false);
        QCOMPARE(shell.ShellRegisterExtension("OtherList", "smy"), false);
        QVERIFY(contentOf(packagePath("otherlist")).contains("<glob pattern=\"*.smy\"/>"));
        const QByteArray former = contentOf(packagePath("zunosmileys"));
        QVERIFY(former.contains("*.smiley") && !former.contains("*.smy"));
        QCOMPARE(shell.ShellRegisterExtension("OtherList", "smiley"), false);
        QVERIFY(!QFile::exists(packagePath("zunosmileys")));

        // A damaged store is set aside and rebuilt at the next write; the
        // class's package follows the rebuilt store once its extension is
        // registered again, as the program does at every start.
        QFile store(data() + "/ZunoSmileys/registry.sqlite");
        QVERIFY(store.open(QIODevice::WriteOnly) && store.write(QByteArray(2048, 'x')) == 2048);
        store.close();
        QCOMPARE(shell.ShellRegisterFileType("OtherList", "Other"), false);
        QCOMPARE(shell.ShellRegisterExtension("OtherList", "smy"), false);
        QVERIFY(contentOf(packagePath("otherlist")).contains("<comment>Other</comment>"));
        QCOMPARE(QDir(data() + "/ZunoSmileys").entryList({"registry.sqlite.damaged-*"}).size(), 1);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The type of a file as a fresh process of Qt reads it.
    if (argc == 3 && qstrcmp(argv[1], "--mime-of") == 0) {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(QFile::decodeName(argv[2]));
        std::fputs(qPrintable(type.name() + "\n" + type.comment() + "\n" + type.iconName() + "\n"),
                   stdout);
        return 0;
    }
    tst_DesktopRegistration test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktopregistration.moc"
