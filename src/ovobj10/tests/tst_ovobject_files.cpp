// OVObject's file attributes, system information and shell operations, with
// the platform stand-ins beneath them.

#include "compat/DosAttributes.h"
#include "compat/FileOperations.h"
#include "compat/RecentDocuments.h"
#include "ovobj10/OVObject.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

bool setDosAttributes(const QString& file, const QByteArray& value)
{
    return ::setxattr(QFile::encodeName(file).constData(), DosAttributes::attributeName,
                      value.constData(), value.size(), 0) == 0;
}

void writeFile(const QString& name, const QByteArray& content = {})
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One bookmark of an XBEL file as a standard reader sees it.
struct Bookmark
{
    QString href;
    QString mimeType;
    QMap<QString, int> applicationCounts;
    QString added;
};

// Reads the file with namespace processing, as the freedesktop readers do;
// an empty list and a false `ok` when it is not well-formed XBEL.
QList<Bookmark> readXbel(const QString& fileName, bool* ok)
{
    const QString bookmarkNs = "http://www.freedesktop.org/standards/desktop-bookmarks";
    const QString mimeNs = "http://www.freedesktop.org/standards/shared-mime-info";
    QFile file(fileName);
    *ok = file.open(QIODevice::ReadOnly);
    QList<Bookmark> bookmarks;
    if (!*ok)
        return bookmarks;
    QXmlStreamReader r(&file);
    if (!r.readNextStartElement() || r.name() != QLatin1String("xbel")) {
        *ok = false;
        return {};
    }
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.name() == QLatin1String("bookmark")) {
            bookmarks.append(Bookmark());
            bookmarks.last().href = r.attributes().value("href").toString();
            bookmarks.last().added = r.attributes().value("added").toString();
        } else if (r.namespaceUri() == mimeNs && r.name() == QLatin1String("mime-type")) {
            bookmarks.last().mimeType = r.attributes().value("type").toString();
        } else if (r.namespaceUri() == bookmarkNs && r.name() == QLatin1String("application")) {
            bookmarks.last().applicationCounts[r.attributes().value("name").toString()] =
                r.attributes().value("count").toInt();
        }
    }
    *ok = !r.hasError();
    return bookmarks;
}

// Stands in for the desktop's file manager on a private session bus.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;

public Q_SLOTS:
    void ShowItemProperties(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId)
        shown += uris;
    }
};

} // namespace

class tst_OVObjectFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setApplicationName("tst_ovobject_files");
        // The shell operations talk to a private bus of this test, or to none.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    void cleanupTestCase()
    {
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.kill();
            m_bus.waitForFinished();
        }
    }

    // --- attributes ------------------------------------------------------

    void attributes_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("dosAttributes"); // empty: none set
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("system");
        QTest::addColumn<bool>("archive");
        QTest::addColumn<bool>("normal");
        QTest::newRow("empty name")
            << "" << QByteArray() << false << false << false << false << false;
        QTest::newRow("missing file")
            << "missing" << QByteArray() << false << false << false << false << false;
        QTest::newRow("folder") << "folder" << QByteArray() << false << false << false << false
                                << false;
        QTest::newRow("hidden read-only folder")
            << "folder" << QByteArray("0x23") << false << false << false << false << false;
        QTest::newRow("plain file")
            << "plain.txt" << QByteArray() << false << false << false << false << true;
        QTest::newRow("dot file") << ".profile" << QByteArray() << false << true << false << false
                                  << false;
        QTest::newRow("read-only file")
            << "readonly.txt" << QByteArray() << true << false << false << false << false;
        QTest::newRow("read-only and hidden")
            << "readonly.txt" << QByteArray("0x2") << true << true << false << false << false;
        QTest::newRow("hidden and archive as Wine writes them")
            << "plain.txt" << QByteArray("0x22") << false << true << false << true << false;
        QTest::newRow("archive bit cleared")
            << "plain.txt" << QByteArray("0x2") << false << true << false << false << false;
        QTest::newRow("system") << "plain.txt" << QByteArray("0x4") << false << false << true
                                << false << false;
        QTest::newRow("no bits") << "plain.txt" << QByteArray("0x0") << false << false << false
                                 << false << true;
        QTest::newRow("Samba text with its binary record")
            << "plain.txt" << QByteArray("0x20\0\x04\0\x04\0\0\0", 12) << false << false << false
            << true << false;
        QTest::newRow("damaged attribute counts as none")
            << "plain.txt" << QByteArray("garbage") << false << false << false << false << true;
    }
    void attributes()
    {
        QFETCH(QString, entry);
        QFETCH(QByteArray, dosAttributes);
        QFETCH(bool, readOnly);
        QFETCH(bool, hidden);
        QFETCH(bool, system);
        QFETCH(bool, archive);
        QFETCH(bool, normal);
        QTemporaryDir dir;
        const QString d = dir.path() + '/';
        writeFile(d + "plain.txt");
        writeFile(d + ".profile");
        writeFile(d + "readonly.txt");
        QDir(d).mkdir("folder");
        const QString name = entry.isEmpty() ? entry : d + entry;
        if (!dosAttributes.isEmpty() && !setDosAttributes(name, dosAttributes))
            QSKIP("this file system keeps no user extended attributes");
        // After the attributes: without write permission only root may set them.
        QFile::setPermissions(d + "readonly.txt", QFile::ReadOwner | QFile::ReadGroup);

        OVObject o;
        QCOMPARE(o.IsReadOnlyFile(name), readOnly);
        QCOMPARE(o.IsHiddenFile(name), hidden);
        QCOMPARE(o.IsSystemFile(name), system);
        QCOMPARE(o.IsArchiveFile(name), archive);
        QCOMPARE(o.IsNormalFile(name), normal);
    }

    // --- system information ------------------------------------------------

    void namesAreBare()
    {
        OVObject o;
        for (const QString& name : {o.UserName(), o.ComputerName()}) {
            QVERIFY(!name.isEmpty());
            QCOMPARE(name.trimmed(), name);
            QVERIFY(!name.contains(QChar(0)));
        }
        QVERIFY(!o.ComputerName().contains('.'));
    }

    void namesMatchTheSystemTools()
    {
        QProcess id;
        id.start("id", {"-un"});
        if (!id.waitForFinished() || id.exitCode() != 0)
            QSKIP("id cannot name the user here");
        OVObject o;
        QCOMPARE(o.UserName(), QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed());
        QProcess uname;
        uname.start("uname", {"-n"});
        QVERIFY(uname.waitForFinished());
        const QString node = QString::fromLocal8Bit(uname.readAllStandardOutput()).trimmed();
        QCOMPARE(o.ComputerName(), node.section('.', 0, 0));
    }

    void systemFolders()
    {
        OVObject o;
        QCOMPARE(o.WindowsDirectory(), QString("/"));
        const QString system = o.SystemDirectory();
        QVERIFY(QFileInfo(system).isDir());
        QVERIFY(!system.endsWith('/'));
        QVERIFY2(!QDir(system).entryList({"libc.so*"}, QDir::Files).isEmpty(), qPrintable(system));
    }

    // --- recent documents -----------------------------------------------------

    void recentDocumentsGetsTheFile()
    {
        QTemporaryDir data;
        QTemporaryDir files;
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        const QString list = data.path() + "/recently-used.xbel";
        QCOMPARE(RecentDocuments::defaultLocation(), list);

        const QString text = files.path() + "/notes with space.txt";
        writeFile(text, "hello");
        OVObject o;
        o.ShellAddToRecentDocs(text);
        o.ShellAddToRecentDocs(text); // refreshed, not repeated
        qputenv("XDG_DATA_HOME", oldData);

        bool ok = false;
        const QList<Bookmark> bookmarks = readXbel(list, &ok);
        QVERIFY(ok);
        QCOMPARE(bookmarks.size(), 1);
        QCOMPARE(QUrl(bookmarks.at(0).href), QUrl::fromLocalFile(text));
        QCOMPARE(bookmarks.at(0).mimeType, QString("text/plain"));
        QCOMPARE(bookmarks.at(0).applicationCounts.value("tst_ovobject_files"), 2);
    }

    void recentDocumentsIgnoresWhatIsNoFile_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("empty name") << "";
        QTest::newRow("folder") << "folder";
        QTest::newRow("missing file") << "missing.txt";
    }
    void recentDocumentsIgnoresWhatIsNoFile()
    {
        QFETCH(QString, entry);
        QTemporaryDir data;
        QDir(data.path()).mkdir("folder");
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        OVObject o;
        o.ShellAddToRecentDocs(entry.isEmpty() ? entry : data.path() + '/' + entry);
        qputenv("XDG_DATA_HOME", oldData);
        QVERIFY(!QFile::exists(data.path() + "/recently-used.xbel"));
    }

    void recentDocumentsKeepsOtherProgramsEntries()
    {
        QTemporaryDir dir;
        const QString list = dir.path() + "/recently-used.xbel";
        writeFile(list, R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0"
      xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info"
>
  <bookmark href="file:///home/ana/report.odt" added="2024-01-02T10:00:00.000000Z" modified="2024-01-02T10:00:00.000000Z" visited="2024-01-02T10:00:00.000000Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="application/vnd.oasis.opendocument.text"/>
        <bookmark:applications>
          <bookmark:application name="Writer" exec="&apos;writer %u&apos;" modified="2024-01-02T10:00:00.000000Z" count="3"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
  <bookmark href="file:///home/ana/list.smy" added="2024-01-01T09:00:00.000000Z" modified="2024-01-01T09:00:00.000000Z" visited="2024-01-01T09:00:00.000000Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="text/plain"/>
        <bookmark:applications>
          <bookmark:application name="Editor" exec="&apos;editor %u&apos;" modified="2024-01-01T09:00:00.000000Z" count="1"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
</xbel>
)");
        QVERIFY(RecentDocuments::add("/home/ana/list.smy", "ZunoSmiley", "'ZunoSmiley %u'", list));
        QVERIFY(RecentDocuments::add("/home/ana/new.acr", "ZunoSmiley", "'ZunoSmiley %u'", list));

        bool ok = false;
        const QList<Bookmark> bookmarks = readXbel(list, &ok);
        QVERIFY(ok);
        QCOMPARE(bookmarks.size(), 3);
        QCOMPARE(bookmarks.at(0).href, QString("file:///home/ana/report.odt"));
        QCOMPARE(bookmarks.at(0).applicationCounts, (QMap<QString, int>{{"Writer", 3}}));
        QCOMPARE(bookmarks.at(1).href, QString("file:///home/ana/list.smy"));
        QCOMPARE(bookmarks.at(1).added, QString("2024-01-01T09:00:00.000000Z"));
        QCOMPARE(bookmarks.at(1).applicationCounts,
                 (QMap<QString, int>{{"Editor", 1}, {"ZunoSmiley", 1}}));
        QCOMPARE(bookmarks.at(2).href, QString("file:///home/ana/new.acr"));
        QCOMPARE(bookmarks.at(2).applicationCounts, (QMap<QString, int>{{"ZunoSmiley", 1}}));
    }

    void recentDocumentsLeavesADamagedListAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("cut short") << QByteArray("<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">"
                                                 "<bookmark href=\"file:///a\">");
        QTest::newRow("not a bookmark file") << QByteArray("<html><body/></html>");
        QTest::newRow("binary") << QByteArray("\x01\x02\xff\xfe", 4);
    }
    void recentDocumentsLeavesADamagedListAlone()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString list = dir.path() + "/recently-used.xbel";
        writeFile(list, content);
        QVERIFY(!RecentDocuments::add("/tmp/x.txt", "ZunoSmiley", "'ZunoSmiley %u'", list));
        QCOMPARE(readFile(list), content);
    }

    // A pipe in the list's place is neither opened (that would block) nor
    // replaced; the alarm ends a test that blocks.
    void recentDocumentsLeavesAPipeAlone()
    {
        QTemporaryDir dir;
        const QString list = dir.path() + "/recently-used.xbel";
        QCOMPARE(::mkfifo(QFile::encodeName(list).constData(), 0600), 0);
        ::alarm(20);
        QVERIFY(!RecentDocuments::add("/tmp/x.txt", "ZunoSmiley", "'ZunoSmiley %u'", list));
        ::alarm(0);
        QVERIFY(QFileInfo(list).exists() && !QFileInfo(list).isFile());
    }

    void recentDocumentsInAnUnwritableFolderFails()
    {
        QTemporaryDir dir;
        writeFile(dir.path() + "/file");
        // Below a regular file nothing can be created, not even by root.
        QVERIFY(!RecentDocuments::add("/tmp/x.txt", "ZunoSmiley", "'ZunoSmiley %u'",
                                      dir.path() + "/file/recently-used.xbel"));
    }

    // --- moving and renaming ------------------------------------------------

    void moveOneFile()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        writeFile(d + "/a.txt", "alpha");
        OVObject o;
        o.ShellMoveFiles({d + "/a.txt"}, d + "/new/folder");
        QVERIFY(!QFile::exists(d + "/a.txt"));
        QCOMPARE(readFile(d + "/new/folder/a.txt"), QByteArray("alpha"));
    }

    void moveAnswersYesToAll()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        writeFile(d + "/a.txt", "new a");
        writeFile(d + "/b.txt", "new b");
        QDir(d).mkpath("sub/inner");
        writeFile(d + "/sub/inner/c.txt", "new c");
        QDir(d).mkpath("dest/sub/inner");
        writeFile(d + "/dest/a.txt", "old a");
        writeFile(d + "/dest/sub/keep.txt", "kept");
        writeFile(d + "/dest/sub/inner/c.txt", "old c");
        OVObject o;
        o.ShellMoveFiles({d + "/a.txt", d + "/b.txt", d + "/sub", "", d + "/missing"}, d + "/dest");
        QCOMPARE(readFile(d + "/dest/a.txt"), QByteArray("new a"));
        QCOMPARE(readFile(d + "/dest/b.txt"), QByteArray("new b"));
        QCOMPARE(readFile(d + "/dest/sub/keep.txt"), QByteArray("kept"));
        QCOMPARE(readFile(d + "/dest/sub/inner/c.txt"), QByteArray("new c"));
        QVERIFY(!QFile::exists(d + "/sub"));
    }

    void moveWithAWildcard()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        writeFile(d + "/1.smy");
        writeFile(d + "/2.smy");
        writeFile(d + "/3.acr");
        OVObject o;
        o.ShellMoveFiles({d + "/*.smy"}, d + "/lists");
        QCOMPARE(QDir(d + "/lists").entryList(QDir::Files), (QStringList{"1.smy", "2.smy"}));
        QVERIFY(QFile::exists(d + "/3.acr"));
    }

    void moveOfNothingMakesNoFolder()
    {
        QTemporaryDir dir;
        OVObject o;
        o.ShellMoveFiles({}, dir.path() + "/never");
        o.ShellMoveFiles({dir.path() + "/missing.txt"}, dir.path() + "/never");
        QVERIFY(!QFile::exists(dir.path() + "/never"));
    }

    void moveFolderIntoItselfIsRefused()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        QDir(d).mkpath("box");
        writeFile(d + "/box/x.txt", "x");
        OVObject o;
        o.ShellMoveFiles({d + "/box"}, d + "/box/inner");
        QCOMPARE(readFile(d + "/box/x.txt"), QByteArray("x"));
    }

    void moveIntoAnUnwritablePlaceKeepsTheFile()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        writeFile(d + "/a.txt", "alpha");
        writeFile(d + "/blocker", "a regular file");
        OVObject o;
        o.ShellMoveFiles({d + "/a.txt"}, d + "/blocker/dest");
        QCOMPARE(readFile(d + "/a.txt"), QByteArray("alpha"));
        QVERIFY(!FileOperations::moveInto({d + "/a.txt"}, d + "/blocker/dest"));
    }

    // The system would cut such a name at the NUL and act on another file.
    void namesHoldingANulAreNotActedOn()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        writeFile(d + "/a.txt", "alpha");
        const QString cut = d + "/a.txt" + QChar(0) + "b";
        OVObject o;
        o.ShellMoveFiles({cut}, d + "/dest");
        o.ShellMoveFiles({d + "/a.txt"}, d + "/dest" + QChar(0) + "x");
        o.ShellRenameFile(cut, d + "/renamed.txt");
        o.ShellRenameFile(d + "/a.txt", d + "/renamed.txt" + QChar(0) + "x");
        QCOMPARE(QDir(d).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"a.txt"});
        QCOMPARE(readFile(d + "/a.txt"), QByteArray("alpha"));
    }

    void renameReplacesAndCreatesItsFolder()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        writeFile(d + "/old.txt", "content");
        writeFile(d + "/taken.txt", "previous");
        OVObject o;
        o.ShellRenameFile(d + "/old.txt", d + "/taken.txt");
        QVERIFY(!QFile::exists(d + "/old.txt"));
        QCOMPARE(readFile(d + "/taken.txt"), QByteArray("content"));
        o.ShellRenameFile(d + "/taken.txt", d + "/deeper/renamed.txt");
        QCOMPARE(readFile(d + "/deeper/renamed.txt"), QByteArray("content"));
        o.ShellRenameFile(d + "/missing.txt", d + "/elsewhere/x.txt");
        QVERIFY(!QFile::exists(d + "/elsewhere"));
        o.ShellRenameFile("", d + "/x.txt");
        o.ShellRenameFile(d + "/deeper/renamed.txt", "");
        QVERIFY(QFile::exists(d + "/deeper/renamed.txt"));
    }

    void moveAndRenameAcrossFileSystems()
    {
        QTemporaryDir here;
        QTemporaryDir there("/dev/shm/tst_ovobject-XXXXXX");
        struct stat a = {};
        struct stat b = {};
        if (!there.isValid() || ::stat(QFile::encodeName(here.path()).constData(), &a) != 0 ||
            ::stat(QFile::encodeName(there.path()).constData(), &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("no second file system to move to");
        const QString d = here.path();
        writeFile(d + "/one.txt", "first");
        QFile::setPermissions(d + "/one.txt", QFile::ReadOwner | QFile::WriteOwner);
        QDir(d).mkpath("tree/branch");
        writeFile(d + "/tree/branch/leaf.txt", "leaf");
        writeFile(d + "/two.txt", "second");

        OVObject o;
        o.ShellMoveFiles({d + "/one.txt", d + "/tree"}, there.path() + "/moved");
        QCOMPARE(readFile(there.path() + "/moved/one.txt"), QByteArray("first"));
        QCOMPARE(QFile::permissions(there.path() + "/moved/one.txt") & 0x0FFF,
                 QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(readFile(there.path() + "/moved/tree/branch/leaf.txt"), QByteArray("leaf"));
        QVERIFY(!QFile::exists(d + "/one.txt"));
        QVERIFY(!QFile::exists(d + "/tree"));

        o.ShellRenameFile(d + "/two.txt", there.path() + "/renamed.txt");
        QCOMPARE(readFile(there.path() + "/renamed.txt"), QByteArray("second"));
        QVERIFY(!QFile::exists(d + "/two.txt"));

        // A target name that is a link is replaced itself; the file it points to stays.
        writeFile(there.path() + "/precious.txt", "precious");
        QVERIFY(QFile::link(there.path() + "/precious.txt", there.path() + "/moved/three.txt"));
        writeFile(d + "/three.txt", "third");
        o.ShellMoveFiles({d + "/three.txt"}, there.path() + "/moved");
        QVERIFY(!QFileInfo(there.path() + "/moved/three.txt").isSymLink());
        QCOMPARE(readFile(there.path() + "/moved/three.txt"), QByteArray("third"));
        QCOMPARE(readFile(there.path() + "/precious.txt"), QByteArray("precious"));
        QVERIFY(!QFile::exists(d + "/three.txt"));

        // A relative link keeps its text.
        QVERIFY(QFile::link("precious.txt", d + "/relative"));
        o.ShellRenameFile(d + "/relative", there.path() + "/relative");
        QCOMPARE(QFile::symLinkTarget(there.path() + "/relative"), there.path() + "/precious.txt");
        QVERIFY(!QFileInfo::exists(d + "/relative") && !QFileInfo(d + "/relative").isSymLink());
        QCOMPARE(
            QDir(there.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            (QStringList{"moved", "precious.txt", "relative", "renamed.txt"}));
    }

    // --- file manager ---------------------------------------------------------

    void propertiesAreAskedOfTheFileManager()
    {
        const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_bus.start(daemon, {"--session", "--nofork", "--print-address"});
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QVERIFY(!address.isEmpty());

        QDBusConnection fileManagerSide = QDBusConnection::connectToBus(address, "file-manager");
        QVERIFY(fileManagerSide.isConnected());
        FakeFileManager fileManager;
        QVERIFY(fileManagerSide.registerObject("/org/freedesktop/FileManager1", &fileManager,
                                               QDBusConnection::ExportAllSlots));
        QVERIFY(fileManagerSide.registerService("org.freedesktop.FileManager1"));

        // The library's side is the session bus of this process.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        QTemporaryDir dir;
        const QString file = dir.path() + "/a b.smy";
        writeFile(file);
        OVObject o;
        o.ShellGetFileProperties(1234, file);
        QTRY_COMPARE(fileManager.shown,
                     QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)});
        QDBusConnection::disconnectFromBus("file-manager");
    }

private:
    QProcess m_bus;
};

QTEST_GUILESS_MAIN(tst_OVObjectFiles)
#include "tst_ovobject_files.moc"
