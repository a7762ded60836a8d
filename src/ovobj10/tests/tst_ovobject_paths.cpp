// OVObject's files and folders: what exists, temporary files, file names,
// the volume roots and the type names of files.

#include "compat/AutomationError.h"
#include "compat/DriveList.h"
#include "compat/registry/ClassRegistry.h"
#include "ovobj10/OVObject.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class tst_OVObjectPaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileExists_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("expected");
        QTest::newRow("empty name") << "" << false;
        QTest::newRow("empty file") << "empty.txt" << true;
        QTest::newRow("read-only file") << "readonly.txt" << true;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("name ending in the separator") << "empty.txt/" << false;
        QTest::newRow("wildcard pattern") << "*.txt" << false;
        QTest::newRow("missing file") << "missing.txt" << false;
        QTest::newRow("pipe") << "pipe" << false;
        QTest::newRow("link to a file") << "link-to-file" << true;
        QTest::newRow("link to a pipe") << "link-to-pipe" << false;
        QTest::newRow("dangling link") << "dangling" << false;
        QTest::newRow("character device") << "/dev/null" << false;
        QTest::newRow("file name followed by a NUL")
            << QString("empty.txt") + QChar(0) + "junk" << false;
    }
    void fileExists()
    {
        QFETCH(QString, entry);
        QFETCH(bool, expected);
        QTemporaryDir dir;
        const QString d = dir.path() + '/';
        QFile(d + "empty.txt").open(QIODevice::WriteOnly);
        QFile(d + "readonly.txt").open(QIODevice::WriteOnly);
        QFile::setPermissions(d + "readonly.txt", QFile::ReadOwner);
        QDir(d).mkdir("folder");
        QCOMPARE(::mkfifo(QFile::encodeName(d + "pipe").constData(), 0600), 0);
        QFile::link(d + "empty.txt", d + "link-to-file");
        QFile::link(d + "pipe", d + "link-to-pipe");
        QFile::link(d + "gone", d + "dangling");

        const QString name = entry.isEmpty() || entry.startsWith('/') ? entry : d + entry;
        OVObject o;
        QCOMPARE(o.FileExists(name), expected);
        QVERIFY(!QFile::exists(d + "missing.txt")); // nothing is created
    }

    void pathExists_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("expected");
        QTest::newRow("empty name") << "" << false;
        QTest::newRow("empty folder") << "empty" << true;
        QTest::newRow("folder with files") << "full" << true;
        QTest::newRow("folder with a trailing separator") << "full/" << true;
        QTest::newRow("hidden folder") << ".hidden" << true;
        QTest::newRow("file") << "full/a.txt" << false;
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("root") << "/" << true;
        QTest::newRow("folder name followed by a NUL") << QString("full") + QChar(0) + "x" << false;
    }
    void pathExists()
    {
        QFETCH(QString, entry);
        QFETCH(bool, expected);
        QTemporaryDir dir;
        const QString d = dir.path() + '/';
        QDir(d).mkdir("empty");
        QDir(d).mkdir(".hidden");
        QDir(d).mkdir("full");
        QFile(d + "full/a.txt").open(QIODevice::WriteOnly);
        const QString name = entry.isEmpty() || entry.startsWith('/') ? entry : d + entry;
        OVObject o;
        QCOMPARE(o.PathExists(name), expected);
    }

    void createTempFileMakesANewPrivateFile_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("namePrefix");
        QTest::newRow("three characters are kept") << "zunoSmiley"
                                                   << "zun";
        QTest::newRow("short prefix") << "z"
                                      << "z";
        QTest::newRow("empty prefix") << ""
                                      << "";
        QTest::newRow("accented prefix") << "été"
                                         << "été";
    }
    void createTempFileMakesANewPrivateFile()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, namePrefix);
        QTemporaryDir tmp;
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        OVObject o;
        const QVariant first = o.CreateTempFile(prefix);
        const QVariant second = o.CreateTempFile(prefix);
        qputenv("TMPDIR", oldTmp);

        QCOMPARE(first.metaType(), QMetaType::fromType<QString>());
        const QString name = first.toString();
        const QRegularExpression form('^' +
                                      QRegularExpression::escape(tmp.path() + '/' + namePrefix) +
                                      "[0-9A-F]{1,4}\\.tmp$");
        QVERIFY2(form.match(name).hasMatch(), qPrintable(name));
        QVERIFY(second.toString() != name);
        const QFileInfo info(name);
        QVERIFY(info.isFile());
        QCOMPARE(info.size(), 0);
        struct stat status = {};
        QCOMPARE(::stat(QFile::encodeName(name).constData(), &status), 0);
        QCOMPARE(status.st_mode & 07777, 0600u);
    }

    void createTempFileFailsCleanly_data()
    {
        QTest::addColumn<QString>("tmpdir");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("folder below a regular file") << "file/tmp"
                                                     << "abc";
        QTest::newRow("missing folder") << "missing"
                                        << "abc";
        QTest::newRow("prefix climbing out of the folder") << "inner"
                                                           << "../x";
        QTest::newRow("prefix naming a subfolder") << "inner"
                                                   << "a/b";
    }
    void createTempFileFailsCleanly()
    {
        QFETCH(QString, tmpdir);
        QFETCH(QString, prefix);
        QTemporaryDir dir;
        QFile(dir.path() + "/file").open(QIODevice::WriteOnly);
        QDir(dir.path()).mkpath("inner/a");
        const QByteArray oldTmp = qgetenv("TMPDIR");
        const QString oldCurrent = QDir::currentPath();
        qputenv("TMPDIR", QFile::encodeName(dir.path() + '/' + tmpdir));
        QDir::setCurrent(dir.path()); // nothing may land in the current folder either
        OVObject o;
        const QVariant result = o.CreateTempFile(prefix);
        qputenv("TMPDIR", oldTmp);
        QDir::setCurrent(oldCurrent);
        QCOMPARE(result.toString(), QString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"file"});
        QVERIFY(QDir(dir.path() + "/inner/a").isEmpty());
    }

    void isValidFileNameReadsAnyTextValue_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("expected");
        QTest::newRow("text") << QVariant("report.txt") << true;
        QTest::newRow("number") << QVariant(12) << true;
        QTest::newRow("no value") << QVariant() << false;
        QTest::newRow("null text") << QVariant(QString()) << false;
    }
    void isValidFileNameReadsAnyTextValue()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, expected);
        OVObject o;
        QCOMPARE(o.IsValidFileName(value), expected);
    }

    void isValidFileNameRefusesAValueWithoutText()
    {
        OVObject o;
        QVERIFY_THROWS_EXCEPTION(AutomationError, o.IsValidFileName(QVariant(QVariantList{1, 2})));
    }

    void driveListIsWhole_data()
    {
        QTest::addColumn<QStringList>("roots");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two roots")
            << QStringList{"/", "/home"} << QString("/") + QChar(0) + "/home" + QChar(0) + QChar(0);
        const QString long62 = '/' + QString(61, 'a');
        QTest::newRow("64 characters") << QStringList{long62} << long62 + QChar(0) + QChar(0);
        QTest::newRow("past 64 characters")
            << QStringList{long62.left(61), "/"}
            << long62.left(61) + QChar(0) + "/" + QChar(0) + QChar(0);
        QTest::newRow("no roots") << QStringList{} << QString(QChar(0));
    }
    void driveListIsWhole()
    {
        QFETCH(QStringList, roots);
        QFETCH(QString, expected);
        QCOMPARE(DriveList::driveStrings(roots), expected);
    }

    // The volume roots come from a fixture, so that the answers hold on a full
    // system, in a container and in a chroot alike.
    void driveExists_data()
    {
        QTest::addColumn<QString>("drive");
        QTest::addColumn<QStringList>("roots");
        QTest::addColumn<bool>("expected");
        const QStringList two{"/", "/home"};
        QTest::newRow("empty") << "" << two << false;
        QTest::newRow("root") << "/" << two << true;
        QTest::newRow("second volume") << "/home" << two << true;
        QTest::newRow("no such root") << "/zz-no-such-mount" << two << false;
        QTest::newRow("a space is no drive") << " " << two << false;
        QTest::newRow("case aside") << "/HOME" << two << true;
        QTest::newRow("a root after 64 characters of others")
            << "/home" << QStringList{'/' + QString(60, 'a'), "/home"} << true;
    }
    void driveExists()
    {
        QFETCH(QString, drive);
        QFETCH(QStringList, roots);
        QFETCH(bool, expected);
        QTemporaryDir dir;
        const QString fixture = dir.filePath("roots");
        QFile file(fixture);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(roots.join('\n').toUtf8() + '\n');
        file.close();
        qputenv("ZUNO_VOLUME_ROOTS_FILE", QFile::encodeName(fixture));
        const auto restore = qScopeGuard([] { qunsetenv("ZUNO_VOLUME_ROOTS_FILE"); });
        OVObject o;
        QCOMPARE(o.DriveExists(drive), expected);
    }

    void fileTypeWithoutRegistration_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("French, no extension") << 1 << "notes"
                                              << "Fichier";
        QTest::newRow("English, no extension") << 2 << "notes"
                                               << "File";
        QTest::newRow("other language, no extension") << 0 << "notes"
                                                      << "File";
        QTest::newRow("French, unregistered") << 1 << "x.zzq"
                                              << "zzq Fichier";
        QTest::newRow("English, unregistered") << 2 << "x.zzq"
                                               << "zzq File";
        QTest::newRow("extension keeps its case") << 2 << "/a/B.ZZQ"
                                                  << "ZZQ File";
        QTest::newRow("empty name") << 1 << ""
                                    << "";
    }
    void fileTypeWithoutRegistration()
    {
        QFETCH(int, language);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        OVObject o;
        o.setLanguage(OVObject::LanguageConstants(language));
        QCOMPARE(o.GetFileType(file), expected);
    }

    void fileTypeFromTheClassRegistry_data()
    {
        QTest::addColumn<QString>("className");   // default value of ".smy"; empty: not set
        QTest::addColumn<QString>("description"); // default value of the class; empty: no key
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("registered") << "ZunoSmileys"
                                    << "Liste de smileys"
                                    << "a.smy"
                                    << "Liste de smileys";
        QTest::newRow("extension in capitals") << "ZunoSmileys"
                                               << "Liste de smileys"
                                               << "/x/A.SMY"
                                               << "Liste de smileys";
        QTest::newRow("spaces around the description stay") << "ZunoSmileys"
                                                            << " Liste "
                                                            << "a.smy"
                                                            << " Liste ";
        QTest::newRow("description of spaces only") << "ZunoSmileys"
                                                    << "   "
                                                    << "a.smy"
                                                    << "smy Fichier";
        QTest::newRow("class without its key") << "ZunoSmileys"
                                               << ""
                                               << "a.smy"
                                               << "smy Fichier";
        QTest::newRow("extension not registered") << ""
                                                  << ""
                                                  << "a.smy"
                                                  << "smy Fichier";
        QTest::newRow("254 bytes fit")
            << "ZunoSmileys" << QString(254, 'd') << "a.smy" << QString(254, 'd');
        QTest::newRow("255 bytes do not fit") << "ZunoSmileys" << QString(255, 'd') << "a.smy"
                                              << "smy Fichier";
        QTest::newRow("accented description") << "ZunoSmileys"
                                              << "Liste de smileys à moi"
                                              << "a.smy"
                                              << "Liste de smileys à moi";
    }
    void fileTypeFromTheClassRegistry()
    {
        QFETCH(QString, className);
        QFETCH(QString, description);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QTemporaryDir data;
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        {
            ClassRegistry store;
            if (!className.isEmpty())
                QCOMPARE(store.setDefaultString(".smy", className), ClassRegistry::Status::Success);
            if (!description.isEmpty())
                QCOMPARE(store.setDefaultString(className, description),
                         ClassRegistry::Status::Success);
        }
        OVObject o;
        const QString type = o.GetFileType(file);
        qputenv("XDG_DATA_HOME", oldData);
        QCOMPARE(type, expected);
    }

    void fileTypeWithAStoreThatCannotBeRead_data()
    {
        QTest::addColumn<QString>("dataHome");
        QTest::newRow("damaged store") << "damaged";
        QTest::newRow("data folder below a regular file") << "file/data";
    }
    void fileTypeWithAStoreThatCannotBeRead()
    {
        QFETCH(QString, dataHome);
        QTemporaryDir dir;
        QFile(dir.path() + "/file").open(QIODevice::WriteOnly);
        QDir(dir.path()).mkpath("damaged/ZunoSmileys");
        QFile damaged(dir.path() + "/damaged/ZunoSmileys/registry.sqlite");
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, '\x5a'));
        damaged.close();
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + '/' + dataHome));
        OVObject o;
        o.setLanguage(OVObject::objEnglish);
        const QString type = o.GetFileType("a.smy");
        qputenv("XDG_DATA_HOME", oldData);
        QCOMPARE(type, QString("smy File"));
    }
};

QTEST_MAIN(tst_OVObjectPaths)
#include "tst_ovobject_paths.moc"
