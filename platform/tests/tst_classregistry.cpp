#include "ClassRegistry.h"
#include "PrivateMount.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sqlite3.h>

#include <memory>

using Status = ClassRegistry::Status;

namespace {

QByteArray nulTerminated(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bytes.append('\0');
    return bytes;
}

QByteArray dword(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString integrityCheck(const QString& path)
{
    sqlite3* db = nullptr;
    QString answer = QStringLiteral("cannot open");
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            answer = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return answer;
}

// Child mode: one of several processes writing at once. Shared keys are
// spelled in a different case by every other writer.
int runWriter(const QString& location, int writer, int count)
{
    ClassRegistry registry(location);
    const QString shared =
        writer % 2 ? QStringLiteral("SHARED\\key%1") : QStringLiteral("Shared\\Key%1");
    for (int n = 0; n < count; ++n) {
        const QString text = QStringLiteral("w%1-%2").arg(writer).arg(n);
        if (registry.setDefaultString(shared.arg(n % 25), text) != Status::Success)
            return 10;
        ClassRegistry::Handle key = 0;
        if (registry.createKey(QStringLiteral("Writer%1\\Item%2").arg(writer).arg(n), &key) !=
            Status::Success)
            return 11;
        if (registry.setValue(key, QStringLiteral("Number"), ClassRegistry::Dword, dword(n)) !=
                Status::Success ||
            registry.setValue(key, QString(), ClassRegistry::String, nulTerminated(text)) !=
                Status::Success)
            return 12;
        registry.closeKey(key);
    }
    return 0;
}

} // namespace

class tst_ClassRegistry : public QObject
{
    Q_OBJECT

    QString storeIn(const QTemporaryDir& dir) const
    {
        return dir.filePath("store/registry.sqlite");
    }

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

    void unusableStoreFails_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<Status>("readStatus");
        QTest::newRow("garbage bytes") << "garbage" << Status::Failed;
        QTest::newRow("truncated store") << "truncated" << Status::Failed;
        QTest::newRow("parent folder is a regular file") << "parent-file" << Status::NotFound;
        QTest::newRow("store is a folder") << "folder" << Status::Failed;
    }
    void unusableStoreFails()
    {
        QFETCH(QString, setup);
        QFETCH(Status, readStatus);
        QTemporaryDir dir;
        QString location = dir.filePath("registry.sqlite");
        if (setup == "garbage") {
            QFile file(location);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, '\x5a') + "not a database");
        } else if (setup == "truncated") {
            {
                ClassRegistry good(location);
                for (int i = 0; i < 50; ++i)
                    QCOMPARE(good.setDefaultString(QString("Key%1").arg(i), QString(200, 'v')),
                             Status::Success);
            }
            // Keep the header, lose the pages it points to.
            QFile file(location);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.resize(100));
        } else if (setup == "parent-file") {
            QFile file(dir.filePath("store"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            location = dir.filePath("store/registry.sqlite");
        } else {
            QVERIFY(QDir(dir.path()).mkdir("registry.sqlite"));
        }
        const QByteArray before = fileBytes(location);

        ClassRegistry registry(location);
        QString text = "junk";
        QStringList names;
        ClassRegistry::Handle key = 0;
        QCOMPARE(registry.setDefaultString("ZunoSmileys", "x"), Status::Failed);
        QCOMPARE(registry.createKey("ZunoSmileys\\DefaultIcon", &key), Status::Failed);
        QCOMPARE(key, ClassRegistry::Handle(0));
        QCOMPARE(registry.queryDefaultValue("Key1", 255, &text), readStatus);
        QCOMPARE(text, QString());
        QCOMPARE(registry.openKey("Key1", &key), readStatus);
        QCOMPARE(registry.subkeys(QString(), &names),
                 readStatus == Status::NotFound ? Status::Success : readStatus);
        QVERIFY(names.isEmpty());
        QCOMPARE(fileBytes(location), before);
    }

    void readOnlyStoreFailsAndKeepsData()
    {
        QTemporaryDir dir;
        const QString location = storeIn(dir);
        {
            ClassRegistry registry(location);
            QCOMPARE(registry.setDefaultString("ZunoSmileys", "Before"), Status::Success);
        }
        const QByteArray before = fileBytes(location);
        const QString folder = QFileInfo(location).absolutePath();

        // Root ignores permission bits; a read-only mount holds for root too.
        const PrivateMount readOnly = PrivateMount::readOnly(folder);
        ZUNO_REQUIRE_MOUNT(readOnly);
        ClassRegistry registry(location);
        QString text;
        QCOMPARE(registry.queryDefaultValue("ZunoSmileys", 255, &text), Status::Success);
        QCOMPARE(text, QString("Before"));
        QCOMPARE(registry.setDefaultString("ZunoSmileys", "After"), Status::Failed);
        QCOMPARE(registry.createKey("New\\Key"), Status::Failed);
        QCOMPARE(fileBytes(location), before);
    }

    void fullDiskFailsAndKeepsData()
    {
        QTemporaryDir dir;
        const PrivateMount disk = PrivateMount::smallDisk(dir.path(), 256);
        ZUNO_REQUIRE_MOUNT(disk);
        const QString location = dir.filePath("registry.sqlite");
        ClassRegistry registry(location);
        QCOMPARE(registry.setDefaultString("ZunoSmileys", "Before"), Status::Success);
        QFile filler(dir.filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, '\0');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        QCOMPARE(registry.setDefaultString("Big\\Key", QString(20000, u'x')), Status::Failed);
        QString text;
        QCOMPARE(registry.queryDefaultValue("ZunoSmileys", 255, &text), Status::Success);
        QCOMPARE(text, QString("Before"));
        QStringList names;
        QCOMPARE(registry.subkeys(QString(), &names), Status::Success);
        QCOMPARE(names, QStringList{"ZunoSmileys"});
        QCOMPARE(integrityCheck(location), QString("ok"));
    }

    void concurrentWritersLoseNothing()
    {
        constexpr int Writers = 4;
        constexpr int Count = 150;
        QTemporaryDir dir;
        const QString location = storeIn(dir);

        std::vector<std::unique_ptr<QProcess>> writers;
        for (int w = 0; w < Writers; ++w) {
            auto process = std::make_unique<QProcess>();
            process->setProcessChannelMode(QProcess::ForwardedChannels);
            process->start(QCoreApplication::applicationFilePath(),
                           {"--writer", location, QString::number(w), QString::number(Count)});
            writers.push_back(std::move(process));
        }
        for (auto& process : writers) {
            QVERIFY(process->waitForFinished(100000));
            QCOMPARE(process->exitStatus(), QProcess::NormalExit);
            QCOMPARE(process->exitCode(), 0);
        }

        ClassRegistry registry(location);
        QStringList names;
        QCOMPARE(registry.subkeys(QString(), &names), Status::Success);
        QCOMPARE(names.size(), 1 + Writers);
        QCOMPARE(names.first().toLower(), QString("shared"));
        QCOMPARE(registry.subkeys("shared", &names), Status::Success);
        QCOMPARE(names.size(), 25);
        for (const QString& name : std::as_const(names)) {
            QString text;
            QCOMPARE(registry.queryDefaultValue("Shared\\" + name, 255, &text), Status::Success);
            QVERIFY2(text.startsWith('w'), qPrintable(text));
        }
        for (int w = 0; w < Writers; ++w) {
            const QString writer = QString("Writer%1").arg(w);
            QCOMPARE(registry.subkeys(writer, &names), Status::Success);
            QCOMPARE(names.size(), Count);
            for (int n = 0; n < Count; ++n) {
                QList<ClassRegistry::Value> values;
                QCOMPARE(registry.values(QString("%1\\Item%2").arg(writer).arg(n), &values),
                         Status::Success);
                QCOMPARE(values.size(), 2);
                QCOMPARE(values[0].data, nulTerminated(QString("w%1-%2").arg(w).arg(n)));
                QCOMPARE(values[1].name, QString("Number"));
                QCOMPARE(values[1].data, dword(n));
            }
        }
        QCOMPARE(integrityCheck(location), QString("ok"));
    }
};

int main(int argc, char* argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--writer") == 0)
        return runWriter(QString::fromLocal8Bit(argv[2]), atoi(argv[3]), atoi(argv[4]));
    QCoreApplication app(argc, argv);
    tst_ClassRegistry test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_classregistry.moc"
