#include "TestFiles.h"
#include "app/settings/SettingsStore.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class tst_SettingsStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.filePath("config").toLocal8Bit());
        QStandardPaths::setTestModeEnabled(true);
    }

    void init() { QFile::remove(SettingsStore::fileName()); }

    void storedValuesGiveALanguage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("language");
        QTest::newRow("French") << "1" << 1;
        QTest::newRow("English") << "2" << 2;
        QTest::newRow("zero is not French") << "0" << 2;
        QTest::newRow("three") << "3" << 2;
        QTest::newRow("seven") << "7" << 2;
        QTest::newRow("negative") << "-1" << 2;
        QTest::newRow("beyond 16 bits") << "65537" << 2;
        QTest::newRow("blanks around a number") << " 1 " << 1;
        QTest::newRow("not a number counts as absent") << "deux" << 1;
        QTest::newRow("empty counts as absent") << "" << 1;
    }

    void storedValuesGiveALanguage()
    {
        QFETCH(QString, stored);
        QFETCH(int, language);
        {
            QSettings raw(SettingsStore::fileName(), QSettings::IniFormat);
            raw.setValue("Configuration/Langue", stored);
        }
        QCOMPARE(int(SettingsStore::language()), language);
    }

    void anAbsentSettingIsFrench()
    {
        QCOMPARE(int(SettingsStore::language()), 1);
        QCOMPARE(SettingsStore::read("Langue", "default", "Configuration"), QString("default"));
    }

    void theLanguageIsStoredAsDecimalText()
    {
        QVERIFY(SettingsStore::setLanguage(2));
        QFile file(SettingsStore::fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.contains("[Configuration]\nLangue=2\n"), text.constData());
        QVERIFY(SettingsStore::fileName().endsWith("ZunoSmileys/ZunoSmileys.conf"));
    }

    // Another program's values in the store stay when the language is written.
    void writingKeepsWhatElseTheStoreHolds()
    {
        {
            QSettings raw(SettingsStore::fileName(), QSettings::IniFormat);
            raw.setValue("Other/Key", "kept");
        }
        QVERIFY(SettingsStore::setLanguage(2));
        QCOMPARE(QSettings(SettingsStore::fileName(), QSettings::IniFormat).value("Other/Key"),
                 QVariant("kept"));
        QCOMPARE(int(SettingsStore::language()), 2);
    }

    void aDamagedStoreGivesFrench()
    {
        QFile file(SettingsStore::fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xff\xfe[Configuration\nLangue\n=\x01=2\n");
        file.close();
        QCOMPARE(int(SettingsStore::language()), 1);
    }

    // A store the program cannot use is set aside beside itself, once and
    // never over an earlier one; the defaults apply and the next write makes
    // a sound store. A typed value is never decoded: an image, as here,
    // would end a process without a window system.
    void anUnusableStoreIsSetAsideOnce_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray plain = "[Configuration]\nLangue=2\n";
        QTest::newRow("cannot be parsed") << "file" << QByteArray("[Configuration\nLangue=2\n");
        QTest::newRow("a typed value")
            << "file"
            << QByteArray("[Configuration]\nLangue=@Variant(\\0\\0\\0A\\x2\\0\\\\0\\x1)\n");
        QTest::newRow("a typed value spelt with an escape")
            << "file" << QByteArray("[Configuration]\nLangue=\\x40Rect(1 2 3 4)\n");
        QTest::newRow("a typed value in a list elsewhere")
            << "file" << plain + "[Other]\nKey=1, \"@Size(1 2)\"\n";
        QTest::newRow("larger than any the program writes")
            << "file" << plain + QByteArray(SettingsStore::MaxFileSize, ';');
        QTest::newRow("a folder") << "folder" << QByteArray();
        QTest::newRow("a named pipe") << "pipe" << QByteArray();
        QTest::newRow("a link to a device") << "device" << QByteArray();
        QTest::newRow("a link to itself") << "loop" << QByteArray();
    }

    void anUnusableStoreIsSetAsideOnce()
    {
        QFETCH(QString, what);
        QFETCH(QByteArray, bytes);
        const QString store = SettingsStore::fileName();
        const QString earlier = store + ".damaged-" + QDate::currentDate().toString(Qt::ISODate);
        QDir folder = QFileInfo(store).absoluteDir();
        folder.removeRecursively();
        QVERIFY(folder.mkpath("."));
        QVERIFY(TestFiles::writeFile(earlier, "an earlier one"));
        if (what == "file")
            QVERIFY(TestFiles::writeFile(store, bytes));
        else if (what == "folder")
            QVERIFY(folder.mkdir(QFileInfo(store).fileName()));
        else if (what == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(store).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(what == "loop" ? QFileInfo(store).fileName() : "/dev/null", store));

        QCOMPARE(int(SettingsStore::language()), 1);
        QCOMPARE(int(SettingsStore::language()), 1);
        const QString kept = earlier + "-2";
        QVERIFY(!QFileInfo(store).exists() && !QFileInfo(store).isSymLink());
        QCOMPARE(folder.entryList({"*.damaged-*"}, QDir::AllEntries | QDir::System),
                 QStringList({QFileInfo(earlier).fileName(), QFileInfo(kept).fileName()}));
        QCOMPARE(TestFiles::readAll(earlier), QByteArray("an earlier one"));
        if (what == "file")
            QCOMPARE(TestFiles::readAll(kept), bytes);
        else if (what == "device")
            QCOMPARE(QFileInfo(kept).symLinkTarget(), QString("/dev/null"));

        QVERIFY(SettingsStore::setLanguage(2));
        QCOMPARE(int(SettingsStore::language()), 2);
        folder.removeRecursively();
    }

    void anUnwritableStoreIsReported()
    {
        // A folder where the store's file should be: no one, root included,
        // can write the store there.
        QVERIFY(QDir().mkpath(SettingsStore::fileName()));
        const bool written = SettingsStore::setLanguage(1).ok();
        QDir(SettingsStore::fileName()).removeRecursively();
        QVERIFY(!written);
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
