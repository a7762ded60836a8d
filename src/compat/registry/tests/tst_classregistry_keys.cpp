// The class registry's keys and values: names, letter case, types and
// sizes, and the calls it refuses.

#include "RegistryFixture.h"
#include "compat/registry/ClassRegistry.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class tst_ClassRegistryKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultLocationFollowsDataHome()
    {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
        QCOMPARE(ClassRegistry::defaultLocation(), dir.filePath("ZunoSmileys/registry.sqlite"));
        ClassRegistry registry;
        QCOMPARE(registry.location(), ClassRegistry::defaultLocation());
        QCOMPARE(registry.setDefaultString("ZunoSmileys", "x"), Status::Success);
        QVERIFY(QFile::exists(dir.filePath("ZunoSmileys/registry.sqlite")));
    }

    void readingAMissingStoreCreatesNothing()
    {
        QTemporaryDir dir;
        ClassRegistry registry(storeIn(dir));
        ClassRegistry::Handle key = 7;
        QString text = "junk";
        QList<ClassRegistry::Value> values;
        QStringList names{"junk"};
        QCOMPARE(registry.openKey("ZunoSmileys", &key), Status::NotFound);
        QCOMPARE(key, ClassRegistry::Handle(0));
        QCOMPARE(registry.queryDefaultValue("ZunoSmileys", 255, &text), Status::NotFound);
        QCOMPARE(text, QString());
        QCOMPARE(registry.values("ZunoSmileys", &values), Status::NotFound);
        QCOMPARE(registry.subkeys(QString(), &names), Status::Success);
        QVERIFY(names.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath("store")));
    }

    void keysIgnoreCaseAndKeepIt_data()
    {
        QTest::addColumn<QString>("created");
        QTest::addColumn<QString>("spelledOtherwise");
        QTest::newRow("ascii") << "ZunoSmileys"
                               << "zUNOsMILEYS";
        QTest::newRow("latin accents") << "Émoticônes"
                                       << "éMOTICÔNES";
        QTest::newRow("greek final sigma") << "Σίσυφος"
                                           << "ΣΊΣΥΦΟΣ";
        QTest::newRow("cyrillic") << "Смайлы"
                                  << "сМАЙЛЫ";
    }
    void keysIgnoreCaseAndKeepIt()
    {
        QFETCH(QString, created);
        QFETCH(QString, spelledOtherwise);
        QTemporaryDir dir;
        ClassRegistry registry(storeIn(dir));
        QCOMPARE(registry.createKey(created + "\\DefaultIcon"), Status::Success);
        QCOMPARE(registry.setDefaultString(spelledOtherwise + "\\defaulticon", "icon"),
                 Status::Success);
        QCOMPARE(registry.setDefaultString(spelledOtherwise, "description"), Status::Success);

        QStringList names;
        QCOMPARE(registry.subkeys(QString(), &names), Status::Success);
        QCOMPARE(names, QStringList{created});
        QCOMPARE(registry.subkeys(spelledOtherwise, &names), Status::Success);
        QCOMPARE(names, QStringList{"DefaultIcon"});
        QString text;
        QCOMPARE(registry.queryDefaultValue(created + "\\DEFAULTICON", 255, &text),
                 Status::Success);
        QCOMPARE(text, QString("icon"));
        QCOMPARE(registry.queryDefaultValue(created, 255, &text), Status::Success);
        QCOMPARE(text, QString("description"));
    }

    void valuesKeepTypeBytesAndNameCase()
    {
        QTemporaryDir dir;
        ClassRegistry registry(storeIn(dir));
        const QString text = "café ☺ \"%1\"";
        QCOMPARE(registry.setDefaultString("Key", text), Status::Success);
        ClassRegistry::Handle key = 0;
        QCOMPARE(registry.openKey("KEY", &key), Status::Success);
        QCOMPARE(registry.setValue(key, "Count", ClassRegistry::Dword, dword(0x12345678)),
                 Status::Success);
        QCOMPARE(registry.setValue(key, "COUNT", ClassRegistry::Dword, dword(0xFFFFFFFE)),
                 Status::Success);
        QCOMPARE(registry.setValue(key, "Empty", ClassRegistry::String, nulTerminated("")),
                 Status::Success);
        QCOMPARE(registry.closeKey(key), Status::Success);

        QList<ClassRegistry::Value> values;
        QCOMPARE(registry.values("key", &values), Status::Success);
        QCOMPARE(values.size(), 3);
        QCOMPARE(values[0].name, QString());
        QCOMPARE(values[0].type, quint32(ClassRegistry::String));
        QCOMPARE(values[0].data, nulTerminated(text));
        QCOMPARE(values[1].name, QString("Count"));
        QCOMPARE(values[1].type, quint32(ClassRegistry::Dword));
        QCOMPARE(values[1].data, QByteArray::fromHex("feffffff"));
        QCOMPARE(values[2].name, QString("Empty"));
        QCOMPARE(values[2].data, QByteArray(1, '\0'));
    }

    void defaultValueMustFitTheBuffer_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qsizetype>("bufferSize");
        QTest::addColumn<Status>("status");
        QTest::newRow("fits with its NUL") << "abc" << qsizetype(4) << Status::Success;
        QTest::newRow("no room for the NUL") << "abc" << qsizetype(3) << Status::MoreData;
        QTest::newRow("no buffer") << "abc" << qsizetype(0) << Status::MoreData;
        QTest::newRow("empty text needs one byte") << "" << qsizetype(1) << Status::Success;
        QTest::newRow("empty text, no buffer") << "" << qsizetype(0) << Status::MoreData;
        QTest::newRow("bytes, not characters") << "éé" << qsizetype(4) << Status::MoreData;
        QTest::newRow("254 characters in 255")
            << QString(254, 'x') << qsizetype(255) << Status::Success;
        QTest::newRow("255 characters in 255")
            << QString(255, 'x') << qsizetype(255) << Status::MoreData;
    }
    void defaultValueMustFitTheBuffer()
    {
        QFETCH(QString, stored);
        QFETCH(qsizetype, bufferSize);
        QFETCH(Status, status);
        QTemporaryDir dir;
        ClassRegistry registry(storeIn(dir));
        QCOMPARE(registry.setDefaultString(".smy", stored), Status::Success);
        QString text = "left over";
        QCOMPARE(registry.queryDefaultValue(".SMY", bufferSize, &text), status);
        QCOMPARE(text, status == Status::Success ? stored : QString());
    }

    void keyWithoutDefaultValue()
    {
        QTemporaryDir dir;
        ClassRegistry registry(storeIn(dir));
        QCOMPARE(registry.createKey("Parent\\Child"), Status::Success);
        QString text = "junk";
        QCOMPARE(registry.queryDefaultValue("Parent", 255, &text), Status::NotFound);
        QCOMPARE(text, QString());
        QCOMPARE(registry.queryDefaultValue("Parent\\Other", 255, &text), Status::NotFound);
    }

    void invalidNamesStoreNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty path") << "";
        QTest::newRow("separator only") << "\\";
        QTest::newRow("leading separator") << "\\DefaultIcon";
        QTest::newRow("trailing separator") << "ZunoSmileys\\Shell\\";
        QTest::newRow("doubled separator") << "ZunoSmileys\\\\command";
        QTest::newRow("empty class and verb") << "\\Shell\\";
        QTest::newRow("tab") << "Zuno\tSmileys";
        QTest::newRow("line feed") << "Zuno\nSmileys\\DefaultIcon";
        QTest::newRow("delete character") << QString("Zuno") + QChar(0x7f);
        QTest::newRow("NUL inside") << QString("Zuno") + QChar(0) + "Smileys";
        QTest::newRow("lone surrogate") << QString("Zuno") + QChar(0xD800);
        QTest::newRow("256-character name") << QString(256, 'k');
    }
    void invalidNamesStoreNothing()
    {
        QFETCH(QString, path);
        QTemporaryDir dir;
        ClassRegistry registry(storeIn(dir));
        QCOMPARE(registry.setDefaultString("ZunoSmileys", "kept"), Status::Success);
        const QByteArray before = fileBytes(registry.location());

        ClassRegistry::Handle key = 9;
        QString text = "junk";
        QCOMPARE(registry.createKey(path, &key), Status::InvalidName);
        QCOMPARE(key, ClassRegistry::Handle(0));
        QCOMPARE(registry.setDefaultString(path, "value"), Status::InvalidName);
        QCOMPARE(registry.openKey(path, &key), Status::InvalidName);
        QCOMPARE(registry.queryDefaultValue(path, 255, &text), Status::InvalidName);
        QCOMPARE(text, QString());
        QCOMPARE(fileBytes(registry.location()), before);

        QStringList names;
        QCOMPARE(registry.subkeys(QString(), &names), Status::Success);
        QCOMPARE(names, QStringList{"ZunoSmileys"});
    }

    void closedHandlesAreRefused()
    {
        QTemporaryDir dir;
        ClassRegistry registry(storeIn(dir));
        ClassRegistry::Handle key = 0;
        QCOMPARE(registry.createKey("Key", &key), Status::Success);
        QVERIFY(key != 0);
        QCOMPARE(registry.closeKey(key), Status::Success);
        QCOMPARE(registry.closeKey(key), Status::InvalidHandle);
        QCOMPARE(registry.setValue(key, QString(), ClassRegistry::String, nulTerminated("x")),
                 Status::InvalidHandle);
        QCOMPARE(registry.setValue(0, QString(), ClassRegistry::String, nulTerminated("x")),
                 Status::InvalidHandle);
        QList<ClassRegistry::Value> values;
        QCOMPARE(registry.values("Key", &values), Status::Success);
        QVERIFY(values.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ClassRegistryKeys)
#include "tst_classregistry_keys.moc"
