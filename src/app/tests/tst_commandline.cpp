#include "app/cli/CommandLine.h"
#include "app/cli/MenuCommands.h"

#include <QTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("pick");
        QTest::addColumn<int>("exitCode");       // -1: the program runs
        QTest::addColumn<QStringList>("output"); // what the output holds
        QTest::newRow("nothing") << QStringList() << QStringList() << false << -1 << QStringList();
        QTest::newRow("files against the working folder, cleaned")
            << QStringList{"a.smy", "../b.acr", "/abs/./c.smy", "sub dir/d.SMY"}
            << QStringList{"/work/here/a.smy", "/work/b.acr", "/abs/c.smy",
                           "/work/here/sub dir/d.SMY"}
            << false << -1 << QStringList();
        QTest::newRow("a file address")
            << QStringList{"file:///tmp/x%20y.smy"} << QStringList{"/tmp/x y.smy"} << false << -1
            << QStringList();
        QTest::newRow("pick among files")
            << QStringList{"a.smy", "--pick"} << QStringList{"/work/here/a.smy"} << true << -1
            << QStringList();
        QTest::newRow("Qt's own options are the application object's")
            << QStringList{"-platform", "offscreen", "-reverse", "--style=Fusion", "a.acr"}
            << QStringList{"/work/here/a.acr"} << false << -1 << QStringList();
        QTest::newRow("a file named like an option, after --")
            << QStringList{"--", "--pick"} << QStringList{"/work/here/--pick"} << false << -1
            << QStringList();
        QTest::newRow("version") << QStringList{"a.smy", "--version"} << QStringList() << false << 0
                                 << QStringList{"Zuno Smileys 1.0.3 (build 1198)\n"};
        QTest::newRow("help names the program and every option")
            << QStringList{"-h"} << QStringList() << false << 0
            << QStringList{"Usage: ZunoSmiley [options] [files...]",
                           "--help",
                           "--version",
                           "--pick",
                           "--search <terms>",
                           "--list",
                           "--insert",
                           "insert an entry into the window",
                           ".smy",
                           ".acr"};
        QTest::newRow("unknown option: error")
            << QStringList{"--frobnicate", "a.smy"} << QStringList() << false << 2
            << QStringList{"ZunoSmiley: Unknown option 'frobnicate'.", "Try 'ZunoSmiley --help'"};
        QTest::newRow("the menu's options go alone: error")
            << QStringList{"--list", "a.smy"} << QStringList{"/work/here/a.smy"} << false << 2
            << QStringList{"ZunoSmiley: --list and --insert go alone"};
        QTest::newRow("value given to a flag: error")
            << QStringList{"--pick=yes"} << QStringList() << false << 2
            << QStringList{"ZunoSmiley: ", "'--pick'"};
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, files);
        QFETCH(bool, pick);
        QFETCH(int, exitCode);
        QFETCH(QStringList, output);
        const CommandLine line =
            CommandLine::parse(QStringList{"/usr/bin/ZunoSmiley"} + arguments, "/work/here");
        QCOMPARE(line.files, files);
        QCOMPARE(line.pick, pick);
        QCOMPARE(line.exitCode.value_or(-1), exitCode);
        for (const QString& part : output)
            QVERIFY2(line.output.contains(part), qPrintable(line.output));
        QCOMPARE(line.output.isEmpty(), output.isEmpty());
        QVERIFY(!line.output.contains("-platform") && !line.output.contains("stylesheet"));
    }

    // The desktop's search hands its words on as one argument.
    void searchTakesItsWords()
    {
        const CommandLine line = CommandLine::parse(
            {"/usr/bin/ZunoSmiley", "--search", "wink clin", "a.smy"}, "/work/here");
        QCOMPARE(line.search, QString("wink clin"));
        QCOMPARE(line.files, QStringList{"/work/here/a.smy"});
        QVERIFY(!line.exitCode);
        // As the search service hands them: inside the option's argument,
        // where the toolkit never reads a term as an option of its own.
        const CommandLine joined = CommandLine::parse(
            {"/usr/bin/ZunoSmiley", "--search=-reverse -stylesheet=x.qss"}, "/work/here");
        QCOMPARE(joined.search, QString("-reverse -stylesheet=x.qss"));
        QVERIFY(joined.files.isEmpty() && !joined.exitCode);
    }

    // The line a menu program answers --insert with.
    void menuChoice_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("ended");
        QTest::addColumn<QString>("text"); // empty: refused
        const QByteArray longest(MenuCommands::MaxLineLength, 'x');
        QTest::newRow("the first field") << QByteArray(";-)\tWink\tClin\n") << true << ";-)";
        QTest::newRow("CR LF, more lines after") << QByteArray("a b\r\nc\n") << false << "a b";
        QTest::newRow("no line end at the end") << QByteArray("caf\xc3\xa9") << true << "café";
        QTest::newRow("the longest line") << longest + "\r\n" << true << QString(longest);
        QTest::newRow("empty input") << QByteArray() << true << "";
        QTest::newRow("an empty first field") << QByteArray("\tWink\n") << true << "";
        QTest::newRow("a line too long") << longest + "x\n" << true << "";
        QTest::newRow("no line end yet, too long") << longest + "xx" << false << "";
    }
    void menuChoice()
    {
        QFETCH(QByteArray, input);
        QFETCH(bool, ended);
        QFETCH(QString, text);
        const MenuCommands::Choice choice = MenuCommands::choiceOf(input, ended);
        QCOMPARE(choice.text, text);
        QCOMPARE(choice.error.isEmpty(), !text.isEmpty());
    }
};

QTEST_APPLESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
