#include "compat/Automation.h"
#include "compat/AutomationError.h"
#include "compat/registry/ClassRegistry.h"
#include "ovshell/ShellLib.h"
#include "ovshell/ShellLib2.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <sqlite3.h>

#include <memory>

using Status = ClassRegistry::Status;

namespace {

const QString AppName = "ZunoSmiley";
const QString AppPath = "/opt/zuno";
const QString BlankPath = "/opt/Zuno Smileys";

// Every key and value of the store, one line each, for comparing whole stores.
void dumpKey(ClassRegistry& registry, const QString& path, QStringList* lines)
{
    QList<ClassRegistry::Value> values;
    registry.values(path, &values);
    for (const auto& value : std::as_const(values))
        *lines << QString("%1 | %2 | %3 | %4")
                      .arg(path, value.name)
                      .arg(value.type)
                      .arg(QString::fromLatin1(value.data.toHex()));
    QStringList subkeys;
    registry.subkeys(path, &subkeys);
    for (const QString& name : std::as_const(subkeys)) {
        const QString child = path.isEmpty() ? name : path + "\\" + name;
        *lines << child;
        dumpKey(registry, child, lines);
    }
}

QStringList dumpStore()
{
    ClassRegistry registry;
    QStringList lines;
    dumpKey(registry, QString(), &lines);
    return lines;
}

// The default value as the object library reads it, or "<status N>".
QString defaultOf(const QString& path)
{
    ClassRegistry registry;
    QString text;
    const Status status = registry.queryDefaultValue(path, 4096, &text);
    return status == Status::Success ? text : QString("<status %1>").arg(int(status));
}

QByteArray storedBytes(const QString& path)
{
    ClassRegistry registry;
    QList<ClassRegistry::Value> values;
    registry.values(path, &values);
    return values.isEmpty() || values.first().type != ClassRegistry::String ? QByteArray("<none>")
                                                                            : values.first().data;
}

template <typename Shell>
std::unique_ptr<Shell> shell(const QString& name = AppName, const QString& path = AppPath)
{
    auto object = std::make_unique<Shell>();
    object->setApplicationName(name);
    object->setApplicationPath(path);
    return object;
}

QStringList memberNames(const QMetaObject& meta)
{
    QStringList names;
    for (const auto& member : Automation::interfaceMembers(meta))
        names << member.displayName();
    return names;
}

} // namespace

class tst_ShellLib : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_data;

    QString storeLocation() const { return ClassRegistry::defaultLocation(); }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        QVERIFY(m_data->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data->path()));
    }

    void interfacesKeepTheirSlotOrder()
    {
        const QStringList common = {
            "ShellRegisterExtension",  "ShellRegisterFileType",  "ShellSetDefaultIcon",
            "ShellSetQuickView",       "ShellAddContextMenu",    "ApplicationName (read)",
            "ApplicationName (write)", "ApplicationPath (read)", "ApplicationPath (write)"};
        QCOMPARE(memberNames(ShellLib2::staticMetaObject), common);
        QCOMPARE(memberNames(ShellLib::staticMetaObject), common);
        // The earlier context-menu call has no menu text.
        QVERIFY(ShellLib2::staticMetaObject.indexOfMethod(
                    "ShellAddContextMenu(QString,QString,QString,QString,qint16)") >= 0);
        QVERIFY(ShellLib::staticMetaObject.indexOfMethod(
                    "ShellAddContextMenu(QString,QString,QString,qint16)") >= 0);
        QCOMPARE(Automation::progId(ShellLib2::staticMetaObject), QString("OrvakShell.ShellLib2"));
        QCOMPARE(Automation::progId(ShellLib::staticMetaObject), QString("OrvakShell.ShellLib"));
    }

    void extensionGetsExactlyOneDot_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("key");
        QTest::newRow("without dot") << "smy"
                                     << ".smy";
        QTest::newRow("with dot") << ".smy"
                                  << ".smy";
        QTest::newRow("other case is the same key") << "SMY"
                                                    << ".SMY";
        QTest::newRow("two dots stay") << "..smy"
                                       << "..smy";
    }
    void extensionGetsExactlyOneDot()
    {
        QFETCH(QString, extension);
        QFETCH(QString, key);
        shell<ShellLib2>()->ShellRegisterExtension("ZunoSmileys", extension);
        QCOMPARE(shell<ShellLib>()->ShellRegisterExtension("ZunoSmileys", extension), false);

        QStringList names;
        ClassRegistry registry;
        QCOMPARE(registry.subkeys(QString(), &names), Status::Success);
        QCOMPARE(names, QStringList{key});
        QCOMPARE(storedBytes(key), QByteArray("ZunoSmileys", 12)); // with its NUL
        QCOMPARE(defaultOf(".smy"), key == "..smy" ? QString("<status 1>") : "ZunoSmileys");
    }

    void defaultIconValue_data()
    {
        QTest::addColumn<QString>("applicationName");
        QTest::addColumn<QString>("applicationPath");
        QTest::addColumn<QString>("iconNumber");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty number") << AppName << AppPath << ""
                                      << "/opt/zuno/ZunoSmiley,0";
        QTest::newRow("blank number") << AppName << AppPath << "   "
                                      << "/opt/zuno/ZunoSmiley,0";
        QTest::newRow("1") << AppName << AppPath << "1"
                           << "/opt/zuno/ZunoSmiley,1";
        QTest::newRow("blank 2 blank") << AppName << AppPath << " 2 "
                                       << "/opt/zuno/ZunoSmiley,2";
        QTest::newRow(",3") << AppName << AppPath << ",3"
                            << "/opt/zuno/ZunoSmiley,3";
        QTest::newRow(",3 blank") << AppName << AppPath << ",3 "
                                  << "/opt/zuno/ZunoSmiley,3";
        QTest::newRow("blank before the comma counts as a number") << AppName << AppPath << " ,4"
                                                                   << "/opt/zuno/ZunoSmiley,,4";
        QTest::newRow("folder with its separator") << AppName << "/opt/zuno/"
                                                   << "1"
                                                   << "/opt/zuno/ZunoSmiley,1";
        QTest::newRow("blank in the folder stays unquoted") << AppName << BlankPath << "1"
                                                            << "/opt/Zuno Smileys/ZunoSmiley,1";
        QTest::newRow("no executable suffix on this system") << "ZunoSmiley.EXE" << AppPath << "1"
                                                             << "/opt/zuno/ZunoSmiley.EXE,1";
        QTest::newRow("unicode folder") << AppName << "/home/zoé/Émoticônes"
                                        << "2"
                                        << "/home/zoé/Émoticônes/ZunoSmiley,2";
    }
    void defaultIconValue()
    {
        QFETCH(QString, applicationName);
        QFETCH(QString, applicationPath);
        QFETCH(QString, iconNumber);
        QFETCH(QString, expected);

        shell<ShellLib2>(applicationName, applicationPath)
            ->ShellSetDefaultIcon("ZunoSmileys", iconNumber);
        QCOMPARE(defaultOf("ZunoSmileys\\DefaultIcon"), expected);
        QByteArray bytes = expected.toUtf8();
        bytes.append('\0');
        QCOMPARE(storedBytes("zunosmileys\\defaulticon"), bytes);

        QCOMPARE(shell<ShellLib>(applicationName, applicationPath)
                     ->ShellSetDefaultIcon("ZunoAcronyms", iconNumber),
                 false);
        QCOMPARE(defaultOf("ZunoAcronyms\\DefaultIcon"), expected);
    }

    void contextMenuCommandLine_data()
    {
        QTest::addColumn<QString>("applicationPath");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("useFile");
        QTest::addColumn<QString>("verbKey");
        QTest::addColumn<QString>("expected");
        // The command as the desktop entry carries it: %f for the file.
        QTest::addColumn<QString>("exec");
        QTest::newRow("file placeholder, nothing after it")
            << AppPath << "open"
            << "" << -1 << "ZunoSmileys\\Shell\\open"
            << "/opt/zuno/ZunoSmiley \"%1\""
            << "/opt/zuno/ZunoSmiley %f";
        QTest::newRow("blank in the folder quotes the executable")
            << BlankPath << "open"
            << "" << -1 << "ZunoSmileys\\Shell\\open"
            << "\"/opt/Zuno Smileys/ZunoSmiley\" \"%1\""
            << "\"/opt/Zuno Smileys/ZunoSmiley\" %f";
        QTest::newRow("useFile 1 is not true") << BlankPath << "open"
                                               << "" << 1 << "ZunoSmileys\\Shell\\open"
                                               << "\"/opt/Zuno Smileys/ZunoSmiley\""
                                               << "\"/opt/Zuno Smileys/ZunoSmiley\"";
        QTest::newRow("useFile false, blank arguments") << AppPath << "open"
                                                        << "   " << 0 << "ZunoSmileys\\Shell\\open"
                                                        << "/opt/zuno/ZunoSmiley"
                                                        << "/opt/zuno/ZunoSmiley";
        QTest::newRow("arguments follow as passed") << AppPath << "print"
                                                    << " /p " << -1 << "ZunoSmileys\\Shell\\print"
                                                    << "/opt/zuno/ZunoSmiley \"%1\"  /p "
                                                    << "/opt/zuno/ZunoSmiley %f /p";
        QTest::newRow("verb loses its blanks") << AppPath << "  view "
                                               << "-v" << 0 << "ZunoSmileys\\Shell\\view"
                                               << "/opt/zuno/ZunoSmiley -v"
                                               << "/opt/zuno/ZunoSmiley -v";
        QTest::newRow("characters the desktop entry reserves")
            << AppPath << "open"
            << "--name \"a $b\" 100% \"%1\"" << -1 << "ZunoSmileys\\Shell\\open"
            << "/opt/zuno/ZunoSmiley \"%1\" --name \"a $b\" 100% \"%1\""
            << "/opt/zuno/ZunoSmiley %f --name \"a \\\\$b\" 100%% %%1";
        // Exec escapes them inside quotes, and the entry escapes each "\" again.
        QTest::newRow("characters Exec escapes in the application path")
            << "/opt/a\"b`c$d\\e f"
            << "open"
            << "" << -1 << "ZunoSmileys\\Shell\\open"
            << "\"/opt/a\"b`c$d\\e f/ZunoSmiley\" \"%1\""
            << "\"/opt/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e f/ZunoSmiley\" %f";
    }
    void contextMenuCommandLine()
    {
        QFETCH(QString, applicationPath);
        QFETCH(QString, command);
        QFETCH(QString, arguments);
        QFETCH(int, useFile);
        QFETCH(QString, verbKey);
        QFETCH(QString, expected);
        QFETCH(QString, exec);
        auto execOfEntry = [&] {
            QFile file(m_data->path() + "/applications/example.orvak.OVShell.zunosmileys." +
                       verbKey.section('\\', -1) + ".desktop");
            return file.open(QIODevice::ReadOnly)
                       ? QString::fromUtf8(file.readAll()).section("\nExec=", 1).section('\n', 0, 0)
                       : QString("<no entry>");
        };

        auto shell2 = shell<ShellLib2>(AppName, applicationPath);
        shell2->ShellRegisterExtension("ZunoSmileys", "smy");
        shell2->ShellAddContextMenu("ZunoSmileys", command, arguments, "&Open", qint16(useFile));
        QCOMPARE(defaultOf(verbKey), QString("&Open"));
        QCOMPARE(defaultOf(verbKey + "\\command"), expected);
        QCOMPARE(execOfEntry(), exec);

        // The earlier interface writes only the command, without surrounding blanks.
        m_data = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data->path()));
        auto shell1 = shell<ShellLib>(AppName, applicationPath);
        QCOMPARE(shell1->ShellRegisterExtension("ZunoSmileys", "smy"), false);
        QCOMPARE(shell1->ShellAddContextMenu("ZunoSmileys", command, arguments, qint16(useFile)),
                 false);
        QCOMPARE(defaultOf(verbKey), QString("<status 1>"));
        QCOMPARE(defaultOf(verbKey + "\\command"), expected.trimmed());
        QCOMPARE(execOfEntry(), exec);
    }

    void emptyMenuTextIsWritten()
    {
        shell<ShellLib2>()->ShellAddContextMenu("ZunoSmileys", "open", "", "", -1);
        QCOMPARE(storedBytes("ZunoSmileys\\Shell\\open"), QByteArray(1, '\0'));
    }

    void errorsComeBeforeAnyWrite_data()
    {
        QTest::addColumn<QString>("progId");
        QTest::addColumn<QString>("applicationName");
        QTest::addColumn<QString>("applicationPath");
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<quint32>("number");

        const quint32 noName = 0x8004041B, noPath = 0x8004041C, badArgs = 0x8004041D;
        for (const QString progId : {"OrvakShell.ShellLib2", "OrvakShell.ShellLib"}) {
            const bool two = progId.endsWith('2');
            auto row = [&](const char* name) {
                QTestData& data = QTest::newRow(qPrintable(progId.section('.', 1) + ": " + name));
                data << progId;
                return &data;
            };
            *row("extension empty") << AppName << AppPath << QByteArray("ShellRegisterExtension")
                                    << QVariantList{"ZunoSmileys", ""} << badArgs;
            *row("extension class empty")
                << AppName << AppPath << QByteArray("ShellRegisterExtension")
                << QVariantList{"", "smy"} << badArgs;
            *row("file type description empty")
                << AppName << AppPath << QByteArray("ShellRegisterFileType")
                << QVariantList{"ZunoSmileys", ""} << badArgs;
            *row("file type class empty")
                << AppName << AppPath << QByteArray("ShellRegisterFileType")
                << QVariantList{"", "Smileys"} << badArgs;
            *row("quick view class empty") << AppName << AppPath << QByteArray("ShellSetQuickView")
                                           << QVariantList{""} << badArgs;
            *row("icon without name, before anything else")
                << ""
                << "" << QByteArray("ShellSetDefaultIcon") << QVariantList{"", ""} << noName;
            *row("icon without path") << AppName << "" << QByteArray("ShellSetDefaultIcon")
                                      << QVariantList{"ZunoSmileys", "1"} << noPath;
            QVariantList empty = {"", "", ""};
            QVariantList open = {"ZunoSmileys", "open", ""};
            if (two) {
                empty << "" << -1;
                open << "Open" << -1;
            } else {
                empty << -1;
                open << -1;
            }
            *row("menu without name")
                << "" << AppPath << QByteArray("ShellAddContextMenu") << open << noName;
            *row("menu without path")
                << AppName << "" << QByteArray("ShellAddContextMenu") << open << noPath;
            *row("menu without class, verb or arguments")
                << AppName << AppPath << QByteArray("ShellAddContextMenu") << empty << badArgs;
        }
    }
    void errorsComeBeforeAnyWrite()
    {
        QFETCH(QString, progId);
        QFETCH(QString, applicationName);
        QFETCH(QString, applicationPath);
        QFETCH(QByteArray, member);
        QFETCH(QVariantList, arguments);
        QFETCH(quint32, number);

        std::unique_ptr<QObject> object(Automation::create(
            progId, {&ShellLib2::staticMetaObject, &ShellLib::staticMetaObject}));
        Automation::setProperty(object.get(), "ApplicationName", applicationName);
        Automation::setProperty(object.get(), "ApplicationPath", applicationPath);
        const QMap<quint32, QString> descriptions = {
            {0x8004041B, "Le nom du fichier est manquant !!!"},
            {0x8004041C, "Le chemin d'accès est manquant !!!"},
            {0x8004041D, "Un ou plusieurs arguments sont incorrect !!!"}};
        try {
            Automation::callWithValues(object.get(), member, arguments);
            QFAIL("no error raised");
        } catch (const AutomationError& error) {
            QCOMPARE(error.numberText(), QString::number(number, 16).toUpper().prepend("0x"));
            QCOMPARE(error.description(), descriptions.value(number));
        }
        // Not even the store's file was created.
        QVERIFY(!QFile::exists(storeLocation()));
    }

    void argumentsAloneWriteNothing()
    {
        // Only the arguments given: the verb key would be "\Shell\", which the
        // store refuses, so nothing at all is stored.
        shell<ShellLib2>()->ShellAddContextMenu("", "", "/x", "Menu", -1);
        QCOMPARE(shell<ShellLib>()->ShellAddContextMenu("", "", "/x", -1), true);
        // A blank verb or an empty class name are refused the same way.
        shell<ShellLib2>()->ShellAddContextMenu("ZunoSmileys", "  ", "", "Menu", -1);
        shell<ShellLib2>()->ShellSetDefaultIcon("", "1");
        QCOMPARE(shell<ShellLib>()->ShellSetDefaultIcon("", "1"), true);
        QCOMPARE(dumpStore(), QStringList());
    }

    // A damaged store is no such case: the store sets it aside and starts anew.
    void unwritableStoreIsSilentOrTrue()
    {
        QFile blocker(m_data->filePath("ZunoSmileys"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        const QByteArray before = [&] {
            QFile file(storeLocation());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
        }();

        auto shell2 = shell<ShellLib2>();
        shell2->ShellRegisterExtension("ZunoSmileys", "smy");
        shell2->ShellRegisterFileType("ZunoSmileys", "Smileys");
        shell2->ShellSetDefaultIcon("ZunoSmileys", "1");
        shell2->ShellSetQuickView("ZunoSmileys");
        shell2->ShellAddContextMenu("ZunoSmileys", "open", "", "Open", -1);

        auto shell1 = shell<ShellLib>();
        QCOMPARE(shell1->ShellRegisterExtension("ZunoSmileys", "smy"), true);
        QCOMPARE(shell1->ShellRegisterFileType("ZunoSmileys", "Smileys"), true);
        QCOMPARE(shell1->ShellSetDefaultIcon("ZunoSmileys", "1"), true);
        QCOMPARE(shell1->ShellSetQuickView("ZunoSmileys"), true);
        QCOMPARE(shell1->ShellAddContextMenu("ZunoSmileys", "open", "", -1), true);

        QFile file(storeLocation());
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>"), before);
    }

    void programRegistrationIsStableWhenRepeated()
    {
        auto registerTypes = [](bool inOneTransaction = false) {
            auto shell2 = shell<ShellLib2>();
            if (inOneTransaction)
                shell2->beginTransaction();
            shell2->ShellRegisterFileType("ZunoSmileys", "Liste de smileys");
            shell2->ShellRegisterFileType("ZunoAcronyms", "Liste d'acronymes");
            shell2->ShellRegisterExtension("ZunoSmileys", "smy");
            shell2->ShellRegisterExtension("ZunoAcronyms", "acr");
            shell2->ShellSetDefaultIcon("ZunoSmileys", ",1");
            shell2->ShellSetDefaultIcon("ZunoAcronyms", ",2");
            shell2->ShellSetQuickView("ZunoSmileys");
            shell2->ShellSetQuickView("ZunoAcronyms");
            shell2->ShellAddContextMenu("ZunoSmileys", "open", "", "&Ouvrir", -1);
            if (inOneTransaction)
                shell2->commitTransaction();
        };
        const auto storeFile = [this] {
            QFile file(storeLocation());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
        };
        registerTypes();
        const QStringList once = dumpStore();
        const QByteArray bytes = storeFile();
        // Repeated while another process holds the store's write lock: it is
        // compared before it is written, so it neither waits nor fails (a
        // failed write is logged), and the store's file is not touched.
        QTest::failOnWarning(QRegularExpression("."));
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(storeLocation()).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        const bool failed =
            shell<ShellLib>()->ShellRegisterFileType("ZunoSmileys", "Liste de smileys");
        registerTypes();
        registerTypes(true);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(failed, false);
        QCOMPARE(dumpStore(), once);
        QCOMPARE(storeFile(), bytes);

        QCOMPARE(defaultOf(".smy"), QString("ZunoSmileys"));
        QCOMPARE(defaultOf(".acr"), QString("ZunoAcronyms"));
        QCOMPARE(defaultOf("ZunoAcronyms"), QString("Liste d'acronymes"));
        QCOMPARE(defaultOf("ZunoSmileys\\DefaultIcon"), QString("/opt/zuno/ZunoSmiley,1"));
        QCOMPARE(defaultOf("ZunoAcronyms\\DefaultIcon"), QString("/opt/zuno/ZunoSmiley,2"));
        QCOMPARE(defaultOf("ZunoAcronyms\\QuickView"), QString("*"));
        QCOMPARE(once.filter(QRegularExpression("^[^|]*$")),
                 QStringList({".acr", ".smy", "ZunoAcronyms", "ZunoAcronyms\\DefaultIcon",
                              "ZunoAcronyms\\QuickView", "ZunoSmileys", "ZunoSmileys\\DefaultIcon",
                              "ZunoSmileys\\QuickView", "ZunoSmileys\\Shell",
                              "ZunoSmileys\\Shell\\open", "ZunoSmileys\\Shell\\open\\command"}));

        // The same sequence as one transaction leaves the same store.
        init();
        registerTypes(true);
        QCOMPARE(dumpStore(), once);
    }

    void sequenceIsOneTransaction()
    {
        // SQLite counts the write transactions in the file's header.
        const auto commits = [this] {
            QFile file(storeLocation());
            const QByteArray header = file.open(QIODevice::ReadOnly) ? file.read(28) : QByteArray();
            return header.size() == 28 ? qFromBigEndian<quint32>(header.constData() + 24) : 0u;
        };
        auto registerTypes = [](ShellLib2& shell2) {
            shell2.beginTransaction();
            shell2.ShellRegisterFileType("ZunoSmileys", "Liste de smileys");
            shell2.ShellRegisterExtension("ZunoSmileys", "smy");
            shell2.ShellSetDefaultIcon("ZunoSmileys", ",1");
            shell2.ShellSetQuickView("ZunoSmileys");
            // A key the store refuses, with a blank verb, is refused alone.
            shell2.ShellAddContextMenu("ZunoSmileys", "  ", "", "Menu", -1);
            shell2.registerDesktopEntry("example.orvak.ZunoSmiley", "Zuno", {"ZunoSmileys"});
        };
        const QString package = m_data->filePath("mime/packages/application-x-zunosmileys.xml");

        // A call that raises part-way: nothing of the sequence is written.
        {
            auto raising = shell<ShellLib2>();
            registerTypes(*raising);
            QVERIFY_THROWS_EXCEPTION(AutomationError, raising->ShellSetQuickView(""));
        }
        QVERIFY(!QFile::exists(storeLocation()));
        QVERIFY(!QFile::exists(package));

        auto first = shell<ShellLib2>();
        registerTypes(*first);
        first->commitTransaction();
        QCOMPARE(commits(), 1u);
        QVERIFY(QFile::exists(package));

        // The program moved: every icon value changes, in one commit.
        auto moved = shell<ShellLib2>(AppName, "/opt/moved");
        registerTypes(*moved);
        moved->commitTransaction();
        QCOMPARE(commits(), 2u);
        QCOMPARE(defaultOf("ZunoSmileys\\DefaultIcon"), QString("/opt/moved/ZunoSmiley,1"));

        auto rolledBack = shell<ShellLib2>(AppName, "/opt/elsewhere");
        registerTypes(*rolledBack);
        rolledBack->rollbackTransaction();
        rolledBack->commitTransaction();
        QCOMPARE(commits(), 2u);
        QCOMPARE(defaultOf("ZunoSmileys\\DefaultIcon"), QString("/opt/moved/ZunoSmiley,1"));

        // A store another process holds: a short wait, nothing written, and
        // the same sequence committed once the store is free.
        sqlite3* holder = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(storeLocation()).constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        QVERIFY(!moved->storeWasBusy());
        auto hurried = shell<ShellLib2>(AppName, "/opt/hurried");
        hurried->setStoreWait(std::chrono::milliseconds(20));
        QElapsedTimer waited;
        waited.start();
        registerTypes(*hurried);
        hurried->commitTransaction();
        QVERIFY(hurried->storeWasBusy());
        QVERIFY2(waited.elapsed() < 2500, qPrintable(QString::number(waited.elapsed())));
        QCOMPARE(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(holder);
        QCOMPARE(commits(), 2u);
        registerTypes(*hurried);
        hurried->commitTransaction();
        QVERIFY(!hurried->storeWasBusy());
        QCOMPARE(defaultOf("ZunoSmileys\\DefaultIcon"), QString("/opt/hurried/ZunoSmiley,1"));
    }

    void worksOnAnyThread()
    {
        QString seen;
        std::unique_ptr<QThread> thread(QThread::create([&] {
            auto shell2 = shell<ShellLib2>();
            shell2->ShellSetDefaultIcon("ZunoSmileys", "3");
            seen = defaultOf("ZunoSmileys\\DefaultIcon");
        }));
        thread->start();
        QVERIFY(thread->wait(10000));
        QCOMPARE(seen, QString("/opt/zuno/ZunoSmiley,3"));
    }
};

QTEST_GUILESS_MAIN(tst_ShellLib)
#include "tst_shelllib.moc"
