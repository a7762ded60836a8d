// The class registry's store on disk: one that cannot be made, is damaged,
// read-only or full, and several writers at once.

#include "PrivateMount.h"
#include "RegistryFixture.h"
#include "compat/registry/ClassRegistry.h"
#include "compat/registry/RegistryBusyWait.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

#include <sys/stat.h>

#include <memory>
#include <thread>

namespace {

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
    // What is shown here is that nothing is lost, not the give-up, which has
    // tests of its own: on a machine whose disk others keep busy, one commit
    // (and its syncs) may keep the store unchanged for the whole default wait.
    registry.setBusyTimeout(RegistryBusyWait::Limit);
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

class tst_ClassRegistryStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A store that cannot be made is no damage: it fails and nothing is moved.
    void storeBelowARegularFileFails()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("store"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        ClassRegistry registry(storeIn(dir));
        ClassRegistry::Handle key = 0;
        QStringList names;
        QString text = "junk";
        QCOMPARE(registry.setDefaultString("ZunoSmileys", "x"), Status::Failed);
        QVERIFY(registry.errorString().contains("cannot create the folder"));
        QCOMPARE(registry.createKey("ZunoSmileys\\DefaultIcon", &key), Status::Failed);
        QCOMPARE(key, ClassRegistry::Handle(0));
        QCOMPARE(registry.queryDefaultValue("Key1", 255, &text), Status::NotFound);
        QCOMPARE(text, QString());
        QCOMPARE(registry.subkeys(QString(), &names), Status::Success);
        QVERIFY(names.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"store"});
    }

    // A damaged store: readers get Failed and leave it alone; the first write
    // renames it beside itself, once, and starts a new store.
    void damagedStoreIsSetAsideOnceAndRebuilt_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("garbage bytes") << "garbage";
        QTest::newRow("truncated store") << "truncated";
        QTest::newRow("damaged pages") << "pages";
        QTest::newRow("store is a folder") << "folder";
        QTest::newRow("store is a named pipe") << "pipe";
        QTest::newRow("damaged after this process checked it") << "late";
    }
    void damagedStoreIsSetAsideOnceAndRebuilt()
    {
        QFETCH(QString, setup);
        QTemporaryDir dir;
        const QString location = dir.filePath("registry.sqlite");
        if (setup == "garbage") {
            QFile file(location);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, '\x5a') + "not a database");
        } else if (setup == "truncated" || setup == "pages") {
            // Made outside the store, so that this process has not checked it.
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(location).constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db,
                                  "CREATE TABLE t(x); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                                  "SELECT i + 1 FROM n WHERE i < 80) "
                                  "INSERT INTO t SELECT randomblob(200) FROM n;",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
            QFile file(location);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (setup == "truncated") {
                // The header stays, the pages it points to go: the quick check
                // sees no fault, the first write does.
                QVERIFY(file.resize(100));
            } else {
                QVERIFY(file.seek(2 * 4096)); // a page of the table overwritten
                file.write(QByteArray(4096, '\xff'));
            }
        } else if (setup == "late") {
            // Found sound at its first use here; the damage shows at a write.
            QCOMPARE(ClassRegistry(location).setDefaultString("Key1", "v"), Status::Success);
            QVERIFY(QFile::resize(location, 100));
        } else if (setup == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("registry.sqlite"));
        } else {
            QCOMPARE(::mkfifo(QFile::encodeName(location).constData(), 0600), 0);
        }
        const QByteArray before = fileBytes(location);
        const QStringList damagedOnly{"registry.sqlite"};
        const auto entries = [&] {
            return QDir(dir.path())
                .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System, QDir::Name);
        };

        QString text = "junk";
        QList<ClassRegistry::Value> values;
        ClassRegistry reader(location);
        QCOMPARE(reader.queryDefaultValue("Key1", 255, &text), Status::Failed);
        QCOMPARE(text, QString());
        QCOMPARE(reader.values("Key2", &values), Status::Failed);
        QCOMPARE(entries(), damagedOnly);

        ClassRegistry writer(location);
        QCOMPARE(writer.setDefaultString("ZunoSmileys", "Liste"), Status::Success);
        QCOMPARE(writer.queryDefaultValue("ZunoSmileys", 255, &text), Status::Success);
        QCOMPARE(text, QString("Liste"));
        const QString setAside =
            "registry.sqlite.damaged-" + QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(entries(), QStringList({"registry.sqlite", setAside}));
        QCOMPARE(fileBytes(dir.filePath(setAside)), before);
        QCOMPARE(integrityCheck(location), QString("ok"));

        // Checked once: later stores of this process take the new one as it is.
        ClassRegistry again(location);
        QCOMPARE(again.createKey("ZunoAcronyms"), Status::Success);
        QCOMPARE(entries(), QStringList({"registry.sqlite", setAside}));
    }

    // A second damage the same day keeps the first one set aside.
    void secondDamageKeepsTheFirst()
    {
        QTemporaryDir dir;
        const QString location = dir.filePath("registry.sqlite");
        const QString first = location + ".damaged-" + QDate::currentDate().toString(Qt::ISODate);
        for (const QString& path : {first, location}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(2048, path == first ? '1' : '2'));
        }
        ClassRegistry registry(location);
        QCOMPARE(registry.setDefaultString("ZunoSmileys", "x"), Status::Success);
        QCOMPARE(fileBytes(first), QByteArray(2048, '1'));
        QCOMPARE(fileBytes(first + "-2"), QByteArray(2048, '2'));
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

    // Another writer that takes the lock again as soon as it lets it go, for
    // longer than a write waits for a store that does not change: the write
    // waits while that writer gets on, and is made once it is done.
    void writerWaitsWhileOthersGetOn()
    {
        QTemporaryDir dir;
        const QString location = storeIn(dir);
        ClassRegistry registry(location);
        QCOMPARE(registry.setDefaultString("ZunoSmileys", "Before"), Status::Success);
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(location).constData(), &other), SQLITE_OK);
        sqlite3_busy_timeout(other, 10000);
        QCOMPARE(sqlite3_exec(other, "CREATE TABLE other(x)", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        QElapsedTimer busy;
        busy.start();
        std::thread writer([&] {
            while (busy.elapsed() < 6000) {
                sqlite3_exec(other, "BEGIN IMMEDIATE; INSERT INTO other VALUES(1)", nullptr,
                             nullptr, nullptr);
                QThread::msleep(400);
                sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
            }
        });
        QThread::msleep(100);
        const Status status = registry.setDefaultString("ZunoSmileys", "After");
        writer.join();
        sqlite3_close(other);
        QCOMPARE(status, Status::Success);
        QString text;
        QCOMPARE(registry.queryDefaultValue("ZunoSmileys", 255, &text), Status::Success);
        QCOMPARE(text, QString("After"));
    }

    // A store another connection holds exclusively for long keeps its caller
    // for one wait, not one per call, whatever the objects the calls go
    // through; each call that gave up says so, and once the store is free
    // the next write is made.
    void aStoreHeldForLongKeepsTheCallerForOneWait()
    {
        QTemporaryDir dir;
        const QString location = storeIn(dir);
        ClassRegistry first(location), second(location);
        QCOMPARE(first.setDefaultString("ZunoSmileys", "Before"), Status::Success);
        sqlite3* holder = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(location).constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

        constexpr int Calls = 20;
        constexpr std::chrono::milliseconds Wait{500};
        first.setBusyTimeout(Wait);
        second.setBusyTimeout(Wait);
        QElapsedTimer held;
        held.start();
        for (int call = 0; call < Calls; ++call) {
            ClassRegistry& registry = call % 2 ? second : first;
            const quint64 failures = registry.busyFailures();
            QString text;
            QCOMPARE(call % 3 ? registry.setDefaultString("ZunoSmileys", "During")
                              : registry.queryDefaultValue("ZunoSmileys", 255, &text),
                     Status::Failed);
            QVERIFY(registry.busyFailures() > failures);
        }
        const qint64 kept = held.elapsed();
        // One wait, with room for a machine whose cores are busy: a wait per
        // call would keep it for Calls waits (10 s).
        QVERIFY2(kept < Calls * Wait.count() / 2, qPrintable(QString::number(kept)));

        QCOMPARE(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(holder);
        QCOMPARE(second.setDefaultString("ZunoSmileys", "After"), Status::Success);
        QString text;
        QCOMPARE(first.queryDefaultValue("ZunoSmileys", 255, &text), Status::Success);
        QCOMPARE(text, QString("After"));
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
    tst_ClassRegistryStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_classregistry_store.moc"
