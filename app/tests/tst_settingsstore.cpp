#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
