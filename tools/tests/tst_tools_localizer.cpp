#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Drives ovcall as a script or a person would, over the localizer's registered
// class, and checks what comes out on its standard streams.
class tst_ToolsLocalizer : public QObject
{
    Q_OBJECT

    struct Result
    {
        int exitCode = -1;
        QByteArray out;
        QString err;
    };

    QTemporaryDir m_runtime;

    Result ovcall(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(TOOL_DIR "/ovcall", arguments);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
        }
        Result result;
        if (process.exitStatus() == QProcess::NormalExit)
            result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    static QStringList localizer(const QStringList& rest)
    {
        return QStringList{"OrvakLocalizer.ZunoSmiley1"} + rest;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        QFile::setPermissions(m_runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void languageRule_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("new object is English") << QStringList() << QByteArray("2\n");
        QTest::newRow("1 is French") << QStringList{"Language=1"} << QByteArray("1\n");
        QTest::newRow("0 is English") << QStringList{"Language=0"} << QByteArray("2\n");
        QTest::newRow("7 is English") << QStringList{"Language=7"} << QByteArray("2\n");
        QTest::newRow("-1 is English") << QStringList{"Language=-1"} << QByteArray("2\n");
        QTest::newRow("last write wins")
            << QStringList{"Language=1", "Language=2", "Language=1"} << QByteArray("1\n");
    }
    void languageRule()
    {
        QFETCH(QStringList, settings);
        QFETCH(QByteArray, expected);
        const Result r = ovcall(localizer(settings + QStringList{"Language"}));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);
    }

    void textsAreUtf8_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("French description with grave and diaeresis")
            << QStringList{"Language=1", "ID_LST_FATHER_CHRISTMAS"}
            << QByteArray("P\xc3\xa8re N\xc3\xb6"
                          "el\n");
        QTest::newRow("English description")
            << QStringList{"ID_LST_FATHER_CHRISTMAS"} << QByteArray("Father Christmas\n");
        QTest::newRow("French cancel")
            << QStringList{"Language=1", "ID_BTN_CANCEL"} << QByteArray("&Annuler\n");
        QTest::newRow("English cancel") << QStringList{"ID_BTN_CANCEL"} << QByteArray("&Cancel\n");
        QTest::newRow("French language name") << QStringList{"GetDllLanguageName", "1"}
                                              << QByteArray("Fran\xc3\xa7"
                                                            "ais / French\n");
        QTest::newRow("no language 0")
            << QStringList{"GetDllLanguageName", "0"} << QByteArray("\n");
        QTest::newRow("count") << QStringList{"GetDllLanguagesCount"} << QByteArray("2\n");
        QTest::newRow("French close question") << QStringList{"Language=1", "ID_BTN_CLOSE_ANYWAY"}
                                               << QByteArray("&Fermer quand m\xc3\xaame\n");
        QTest::newRow("French import counts, numbers from text")
            << QStringList{"Language=1", "ID_INT_IMPORT_COUNTS", "é.smy", "2", "1"}
            << QByteArray("\xc2\xab \xc3\xa9.smy \xc2\xbb : 2 entr\xc3\xa9"
                          "es ajout\xc3\xa9"
                          "es, 1 d\xc3\xa9j\xc3\xa0 pr\xc3\xa9sente\n");
        QTest::newRow("version check ends with its language")
            << QStringList{"Language=1", "WWWUpdates"} << QByteArray("&Lang=Fr\n");
    }
    void textsAreUtf8()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const Result r = ovcall(localizer(arguments));
        QCOMPARE(r.exitCode, 0);
        if (arguments.last() == "WWWUpdates")
            QVERIFY2(r.out.endsWith(expected), r.out.constData());
        else
            QCOMPARE(r.out, expected);
    }

    void courtesy_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("French with subject")
            << QStringList{"Language=1", "ID_INT_COURTESY", "Société", "Smileys"}
            << QByteArray("Avec la permission de Soci\xc3\xa9t\xc3\xa9 (Smileys)\n");
        QTest::newRow("empty organisation and subject keep the prefix's space")
            << QStringList{"ID_INT_COURTESY", "", ""} << QByteArray("By courtesy of \n");
        QTest::newRow("subject of one blank") << QStringList{"ID_INT_COURTESY", "Orvak", " "}
                                              << QByteArray("By courtesy of Orvak ( )\n");
    }
    void courtesy()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const Result r = ovcall(localizer(arguments));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);
    }

    void membersInInterfaceOrder()
    {
        const Result r = ovcall({"--members", "OrvakLocalizer.ZunoSmiley1"});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
        // The original interface and the members added after it; the localizer's own
        // test pins every position.
        QVERIFY(lines.size() > 168);
        QCOMPARE(lines.first(), QString("WWWHome"));
        QCOMPARE(lines.at(4), QString("GetDllLanguageName"));
        QCOMPARE(lines.at(5), QString("Language (read)"));
        QCOMPARE(lines.at(6), QString("Language (write)"));
        QCOMPARE(lines.at(7), QString("ID_INT_COPY"));
        QCOMPARE(lines.at(17), QString("ID_INT_ACRONYM"));
        QCOMPARE(lines.at(18), QString("ID_LST_TIRED"));
        QCOMPARE(lines.at(150), QString("ID_LST_FEEL_COLD"));
        QCOMPARE(lines.at(151), QString("ID_BTN_OK"));
        QCOMPARE(lines.at(152), QString("ID_BTN_CANCEL"));
        QCOMPARE(lines.at(168), QString("ID_INT_REFUSE_TOO_LONG"));
        QCOMPARE(lines.filter(QRegularExpression("^ID_LST_")).size(), 133);
    }

    void badCallsExitTwoAndSayWhy_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named");
        QTest::newRow("unknown member") << localizer({"ID_LST_NOPE"}) << "ID_LST_NOPE";
        QTest::newRow("argument to a member that takes none")
            << localizer({"ID_BTN_OK", "x"}) << "ID_BTN_OK";
        QTest::newRow("too few arguments")
            << localizer({"ID_INT_COURTESY", "Orvak"}) << "ID_INT_COURTESY";
        QTest::newRow("language that is not a number")
            << localizer({"Language=fr", "Language"}) << "\"fr\"";
        QTest::newRow("language past 32 bits")
            << localizer({"Language=4294967297", "Language"}) << "4294967297";
        QTest::newRow("unknown property") << localizer({"Langue=1", "Language"}) << "Langue";
        QTest::newRow("unknown class")
            << QStringList{"OrvakLocalizer.Nope", "Language"} << "OrvakLocalizer.Nope";
        QTest::newRow("no member after the settings") << localizer({"Language=1"}) << "member";
    }
    void badCallsExitTwoAndSayWhy()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        const Result r = ovcall(arguments);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains(named), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(tst_ToolsLocalizer)
#include "tst_tools_localizer.moc"
