// The search service as the desktop's hosts reach it: started by a session
// bus from its service file, answering through the interfaces the hosts
// ship, following the list files, ending when idle.
#include "PrivateBus.h"
#include "TestFiles.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

const QString BusName = QStringLiteral("example.orvak.ZunoSmiley.Search");
// The overview's provider, served by the same process on a connection of its own.
const QString OverviewName = QStringLiteral("example.orvak.ZunoSmiley.Search.Overview");
const QString RunnerPath = QStringLiteral("/runner");
const QString ProviderPath = QStringLiteral("/example/orvak/ZunoSmiley/SearchProvider");
const QString RunnerInterface = QStringLiteral("org.kde.krunner1");
const QString ProviderInterface = QStringLiteral("org.gnome.Shell.SearchProvider2");
constexpr int IdleMs = 1500;

// Each method of an interface in introspection XML: its input and output
// signatures, "in(as) out(aa{sv})" (the order between the two is free).
QMap<QString, QString> methodsOf(const QByteArray& xml, const QString& interface)
{
    QMap<QString, std::pair<QString, QString>> signatures;
    QXmlStreamReader reader(xml);
    bool inside = false;
    QString method;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.name() == QLatin1String("interface"))
            inside = attributes.value(QLatin1String("name")) == interface;
        else if (inside && reader.name() == QLatin1String("method"))
            signatures[method = attributes.value(QLatin1String("name")).toString()];
        else if (inside && reader.name() == QLatin1String("arg")) {
            auto& [in, out] = signatures[method];
            (attributes.value(QLatin1String("direction")) == QLatin1String("out") ? out : in) +=
                attributes.value(QLatin1String("type"));
        }
    }
    QMap<QString, QString> methods;
    for (auto it = signatures.cbegin(); it != signatures.cend(); ++it)
        methods[it.key()] = QStringLiteral("in(%1) out(%2)").arg(it->first, it->second);
    return methods;
}

// The runner's Run of a match, with the action given (none: copy).
QDBusMessage runCall(const QString& matchId, const QString& actionId = {})
{
    QDBusMessage run =
        QDBusMessage::createMethodCall(BusName, RunnerPath, RunnerInterface, QStringLiteral("Run"));
    run << matchId << actionId;
    return run;
}

// The desktop's clipboard history, as far as the service uses it.
class ClipboardHistory : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.klipper.klipper")
public:
    // Offered on bus for as long as it lives.
    bool offer(QDBusConnection bus)
    {
        m_bus = bus;
        return bus.registerObject(QStringLiteral("/klipper"), this,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService(QStringLiteral("org.kde.klipper"));
    }
    ~ClipboardHistory() override
    {
        if (m_bus)
            m_bus->unregisterService(QStringLiteral("org.kde.klipper"));
    }
    QStringList received;

private:
    std::optional<QDBusConnection> m_bus;

public Q_SLOTS:
    void setClipboardContents(const QString& text) { received << text; }
};

} // namespace

class tst_SearchService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void speaksTheHostsInterfaces_data();
    void speaksTheHostsInterfaces();
    void findsInBothLanguages_data();
    void findsInBothLanguages();
    void followsTheListFiles();
    void copiesThroughTheClipboardHistory();
    void neverWaitsOnAHungHistory();
    void picksInARowShareOneHelper();
    void answersAnErrorWhenItCannotCopy();
    void endsWhenIdleAndStartsAgain();
    void answersAlikeFromItsStoredEntries_data();
    void answersAlikeFromItsStoredEntries();

private:
    QStringList providerIds(const QString& query) const;
    // Ends the running service; the next request starts it afresh.
    void restartService();
    // The insert helpers of this test's copy that run now.
    int runningHelpers() const;

private:
    QDBusConnection bus() const { return QDBusConnection(QStringLiteral("private")); }
    QString listFile(const char* name) const
    {
        return m_dir.filePath(QStringLiteral("prog/")) + QLatin1String(name);
    }
    // The text of each runner match for query.
    QStringList runnerTexts(const QString& query) const;
    bool serviceRuns() const { return bus().interface()->isServiceRegistered(BusName); }

    QTemporaryDir m_dir;
    PrivateBus m_bus;
};

void tst_SearchService::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A copy of its own: the list files are read beside the catalogue in a
    // folder that is not an installation's.
    const QDir bin(qEnvironmentVariable("ZUNO_BIN_DIR"));
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("prog"))));
    for (const char* program : {"zuno-search-service", "zuno-insert-text"})
        QVERIFY(QFile::copy(bin.filePath(QLatin1String(program)),
                            m_dir.filePath(QStringLiteral("prog/")) + QLatin1String(program)));
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("services"))));
    const QByteArray service = m_dir.filePath(QStringLiteral("prog/zuno-search-service")).toUtf8();
    for (const QString& name : {BusName, OverviewName})
        QVERIFY(TestFiles::writeFile(
            m_dir.filePath(QStringLiteral("services/%1.service").arg(name)),
            "[D-BUS Service]\nName=" + name.toUtf8() + "\nExec=" + service + "\n"));
    // The second line repeats a built-in text but for the spaces around it: the
    // window leaves it out, and so does the service.
    // The third's description holds a Unicode noncharacter (U+FFFF), which
    // the overview's bus cannot carry: it must not fail the answer.
    QVERIFY(TestFiles::writeFile(listFile("Smileys.smy"),
                                 "\"(o_O)\",\"Hibou surpris\"\r\n"
                                 "\" ;-) \",\"Hibou qui cligne\"\r\n"
                                 "\"(^_~)\",\"Renard\xEF\xBF\xBF rus\xC3\xA9\"\r\n"));
    // The user's own keywords, beside the lists.
    QVERIFY(
        TestFiles::writeFile(listFile("Keywords.json"), "{\"smileys\": {\";-)\": [\"zorglub\"]}}"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ZUNO_SEARCH_IDLE_MS"), QString::number(IdleMs));
    QVERIFY(m_bus.start(m_dir.path(), environment));
    QVERIFY(
        QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("private")).isConnected());
}

void tst_SearchService::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("private"));
}

QStringList tst_SearchService::runnerTexts(const QString& query) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(BusName, RunnerPath, RunnerInterface,
                                                       QStringLiteral("Match"));
    call << query;
    const QDBusMessage reply = bus().call(call, QDBus::Block, 20000);
    QStringList texts;
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {reply.errorMessage()};
    const QDBusArgument matches = reply.arguments().value(0).value<QDBusArgument>();
    matches.beginArray();
    while (!matches.atEnd()) {
        QString id, text, icon;
        int type = 0;
        double relevance = 0;
        QVariantMap properties;
        matches.beginStructure();
        matches >> id >> text >> icon >> type >> relevance >> properties;
        matches.endStructure();
        texts << text;
    }
    matches.endArray();
    return texts;
}

void tst_SearchService::speaksTheHostsInterfaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("interface");
    QTest::addColumn<QString>("hostFile");
    QTest::newRow("runner") << BusName << RunnerPath << RunnerInterface
                            << "/usr/share/dbus-1/interfaces/kf5_org.kde.krunner1.xml";
    QTest::newRow("search provider")
        << OverviewName << ProviderPath << ProviderInterface
        << "/usr/share/dbus-1/interfaces/org.gnome.ShellSearchProvider2.xml";
}

void tst_SearchService::speaksTheHostsInterfaces()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(QString, interface);
    QFETCH(QString, hostFile);
    if (!QFile::exists(hostFile))
        QSKIP(qPrintable(hostFile + QStringLiteral(" is not installed")));
    QMap<QString, QString> wanted = methodsOf(TestFiles::readAll(hostFile), interface);
    QVERIFY(!wanted.isEmpty());
    // Asked of a runner only where its file declares the second API.
    wanted.remove(QStringLiteral("Config"));
    QDBusMessage call = QDBusMessage::createMethodCall(
        name, path, QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect"));
    const QDBusReply<QString> xml = bus().call(call, QDBus::Block, 20000);
    QVERIFY2(xml.isValid(), qPrintable(xml.error().message()));
    QCOMPARE(methodsOf(xml.value().toUtf8(), interface), wanted);
}

void tst_SearchService::findsInBothLanguages_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("first");
    // How many ids the metas are asked for, all the first one's.
    QTest::addColumn<int>("lookedUp");
    QTest::newRow("English description") << "wink"
                                         << ";-)" << 1000;
    QTest::newRow("French description") << "clin"
                                        << ";-)" << 1000;
    // A hostile caller's: the first MetasLimit are looked up, the rest never decoded.
    QTest::newRow("400,000 ids") << "wink"
                                 << ";-)" << 400000;
    QTest::newRow("the text itself") << ";-)"
                                     << ";-)" << 1000;
    QTest::newRow("case and accents") << "CLÍN"
                                      << ";-)" << 1000;
    QTest::newRow("acronym") << "btw"
                             << "BTW" << 1000;
    QTest::newRow("user entry") << "hibou"
                                << "(o_O)" << 1000;
    QTest::newRow("a keyword") << "lol"
                               << ":-DDD" << 1000;
    QTest::newRow("a keyword, the smile") << "smile"
                                          << ":-D" << 1000;
    QTest::newRow("a keyword, love") << "love"
                                     << ":-*" << 1000;
    QTest::newRow("a description the bus cannot carry") << "renard"
                                                        << "(^_~)" << 1000;
    QTest::newRow("the user's keyword") << "zorglub"
                                        << ";-)" << 1000;
    // What a person types, generously: the rest of a query is ignored.
    QTest::newRow("words past the sixteenth")
        << QString(QStringLiteral("wink ").repeated(16) + QStringLiteral("zzzz")) << ";-)" << 1000;
    QTest::newRow("text past the 256th unit")
        << QString(QStringLiteral("wink") + QString(300, u' ') + QStringLiteral("zzzz")) << ";-)"
        << 1000;
    // Nothing to find (no first entry): a query blank as far as it is taken.
    QTest::newRow("blank within the 256 units")
        << QString(QString(300, u' ') + QStringLiteral("wink")) << "" << 1000;
}

void tst_SearchService::findsInBothLanguages()
{
    QFETCH(QString, query);
    QFETCH(QString, first);
    QFETCH(int, lookedUp);
    QCOMPARE(runnerTexts(query).value(0), first);

    // The overview's provider: an id, then its metas with the text to copy.
    // The shell hands the typed words as terms.
    QDBusInterface provider(OverviewName, ProviderPath, ProviderInterface, bus());
    const QDBusReply<QStringList> ids =
        provider.call(QStringLiteral("GetInitialResultSet"), query.split(u' '));
    if (first.isEmpty()) {
        QVERIFY2(ids.isValid() && ids.value().isEmpty(), qPrintable(ids.value().join(u' ')));
        return;
    }
    QVERIFY2(ids.isValid() && !ids.value().isEmpty(), qPrintable(ids.error().message()));
    // Narrowed to the same terms, the same ids.
    const QDBusReply<QStringList> narrowed =
        provider.call(QStringLiteral("GetSubsearchResultSet"), ids.value(), query.split(u' '));
    QCOMPARE(narrowed.value(), ids.value());
    // A forged id is left out.
    const QDBusMessage metas =
        provider.call(QStringLiteral("GetResultMetas"),
                      QStringList{QStringLiteral("smiley:\u2603"), ids.value().first()});
    const QDBusArgument array = metas.arguments().value(0).value<QDBusArgument>();
    QList<QVariantMap> maps;
    array >> maps;
    QCOMPARE(maps.size(), 1);
    QCOMPARE(maps[0].value(QStringLiteral("name")).toString(), first);
    QCOMPARE(maps[0].value(QStringLiteral("clipboardText")).toString(), first);
    QCOMPARE(maps[0].value(QStringLiteral("id")).toString(), ids.value().first());

    // A reply stays far below the bus's message limit, however many ids;
    // the runner answers meanwhile.
    QDBusPendingCall many = provider.asyncCall(QStringLiteral("GetResultMetas"),
                                               QStringList(lookedUp, ids.value().first()));
    QCOMPARE(runnerTexts(query).value(0), first);
    many.waitForFinished();
    QVERIFY2(!many.isError(), qPrintable(many.error().message()));
    many.reply().arguments().value(0).value<QDBusArgument>() >> maps;
    QCOMPARE(maps.size(), 100);
}

void tst_SearchService::followsTheListFiles()
{
    QCOMPARE(runnerTexts(QStringLiteral("hibou")), QStringList{QStringLiteral("(o_O)")});
    // Replaced by a rename, as the window saves it.
    QSaveFile save(listFile("Smileys.smy"));
    QVERIFY(save.open(QIODevice::WriteOnly));
    save.write("\"(-_-)zzz\",\"Hibou endormi\"\r\n");
    QVERIFY(save.commit());
    QTRY_COMPARE_WITH_TIMEOUT(runnerTexts(QStringLiteral("hibou")),
                              QStringList{QStringLiteral("(-_-)zzz")}, 20000);
    // A list file the service had not seen, once the folder holds it.
    QVERIFY(TestFiles::writeFile(listFile("Acronyms.acr"), "ZZZ,Dodo\n"));
    QTRY_COMPARE_WITH_TIMEOUT(runnerTexts(QStringLiteral("dodo")),
                              QStringList{QStringLiteral("ZZZ")}, 20000);
    QCOMPARE(TestFiles::readAll(listFile("Acronyms.acr")), QByteArray("ZZZ,Dodo\n"));

    // The folder moved away and made again, its files brought back.
    const QString folder = m_dir.filePath(QStringLiteral("prog"));
    const QString moved = m_dir.filePath(QStringLiteral("moved"));
    QVERIFY(QDir().rename(folder, moved));
    QVERIFY(QDir().mkpath(folder));
    for (const QString& name : QDir(moved).entryList(QDir::Files))
        QVERIFY(QFile::rename(moved + u'/' + name, folder + u'/' + name));
    QVERIFY(QDir(moved).removeRecursively());
    QVERIFY(TestFiles::writeFile(listFile("Acronyms.acr"), "ZZZ,Dodo\nZZY,Sieste\n"));
    QTRY_COMPARE_WITH_TIMEOUT(runnerTexts(QStringLiteral("sieste")),
                              QStringList{QStringLiteral("ZZY")}, 20000);

    // Damaged favourites are read as none, and left for the window to set aside.
    QVERIFY(TestFiles::writeFile(listFile("Favourites.json"), "{junk"));
    QTest::qWait(200);
    QCOMPARE(runnerTexts(QStringLiteral("dodo")), QStringList{QStringLiteral("ZZZ")});
    QCOMPARE(QDir(folder).entryList({QStringLiteral("Favourites*")}),
             QStringList{QStringLiteral("Favourites.json")});
    QVERIFY(QFile::remove(listFile("Favourites.json")));

    // The user's keywords changed by the window: the next query finds by the new ones.
    QVERIFY(TestFiles::writeFile(listFile("Keywords.json"),
                                 "{\"acronyms\": {\" zzz \": [\"roupillon\"]}}"));
    QTRY_COMPARE_WITH_TIMEOUT(runnerTexts(QStringLiteral("roupillon")),
                              QStringList{QStringLiteral("ZZZ")}, 20000);
    QVERIFY(!runnerTexts(QStringLiteral("zorglub")).contains(QStringLiteral(";-)")));
}

QStringList tst_SearchService::providerIds(const QString& query) const
{
    QDBusInterface provider(OverviewName, ProviderPath, ProviderInterface, bus());
    const QDBusReply<QStringList> ids =
        provider.call(QStringLiteral("GetInitialResultSet"), QStringList{query});
    return ids.isValid() ? ids.value() : QStringList{ids.error().message()};
}

void tst_SearchService::copiesThroughTheClipboardHistory()
{
    ClipboardHistory history;
    QVERIFY(bus().registerObject(QStringLiteral("/klipper"), &history,
                                 QDBusConnection::ExportAllSlots));
    QVERIFY(bus().registerService(QStringLiteral("org.kde.klipper")));
    QDBusMessage run =
        QDBusMessage::createMethodCall(BusName, RunnerPath, RunnerInterface, QStringLiteral("Run"));
    run << QStringLiteral("smiley:;-)") << QString();
    // Asynchronous: the service's call back to this process is answered while
    // the test waits.
    bus().asyncCall(run);
    QTRY_COMPARE_WITH_TIMEOUT(history.received, QStringList{QStringLiteral(";-)")}, 20000);
    // Insert, where this desktop offers no typing (the test's offscreen
    // platform), leaves the text there too.
    run.setArguments({QStringLiteral("smiley::-P"), QStringLiteral("insert")});
    bus().asyncCall(run);
    QTRY_COMPARE_WITH_TIMEOUT(history.received,
                              (QStringList{QStringLiteral(";-)"), QStringLiteral(":-P")}), 20000);
    // Also a text that the toolkit would take for one of its options.
    QVERIFY(TestFiles::writeFile(listFile("Smileys.smy"), "\"-reverse\",\"Option trap\"\r\n"));
    QTRY_VERIFY_WITH_TIMEOUT(runnerTexts(QStringLiteral("trap")).contains(u"-reverse"), 20000);
    run.setArguments({QStringLiteral("smiley:-reverse"), QStringLiteral("insert")});
    bus().asyncCall(run);
    QTRY_COMPARE_WITH_TIMEOUT(history.received.value(2), QStringLiteral("-reverse"), 20000);
    bus().unregisterService(QStringLiteral("org.kde.klipper"));
    bus().unregisterObject(QStringLiteral("/klipper"));
}

void tst_SearchService::restartService()
{
    // It may have ended already, idle.
    const QDBusReply<uint> pid = bus().interface()->servicePid(BusName);
    QVERIFY(!pid.isValid() || ::kill(pid_t(pid.value()), SIGTERM) == 0);
    QTRY_VERIFY_WITH_TIMEOUT(!serviceRuns(), 20000);
}

int tst_SearchService::runningHelpers() const
{
    const QString helper = m_dir.filePath(QStringLiteral("prog/zuno-insert-text"));
    int running = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
        running += QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)) == helper;
    return running;
}

void tst_SearchService::neverWaitsOnAHungHistory()
{
    // This test's history answers nothing while the test blocks on the call.
    ClipboardHistory history;
    QVERIFY(history.offer(bus()));
    QElapsedTimer answered;
    answered.start();
    const QDBusMessage reply =
        bus().call(runCall(QStringLiteral("smiley:;-)")), QDBus::Block, 20000);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QVERIFY2(answered.elapsed() < 1000, qPrintable(QString::number(answered.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(history.received.value(0), QStringLiteral(";-)"), 20000);
}

void tst_SearchService::picksInARowShareOneHelper()
{
    // Each insert helper hands its text to this test's history, which holds
    // it while the test counts them without answering.
    ClipboardHistory history;
    QVERIFY(history.offer(bus()));
    for (int pick = 0; pick < 9; ++pick)
        bus().asyncCall(runCall(QStringLiteral("smiley:;-)"), QStringLiteral("insert")));
    bus().asyncCall(runCall(QStringLiteral("smiley::-P"), QStringLiteral("insert")));
    int most = 0;
    for (int look = 0; look < 30; ++look) {
        most = std::max(most, runningHelpers());
        QTest::qSleep(50);
    }
    QVERIFY2(most <= 2, qPrintable(QString::number(most)));
    // The last pick is what the user meant.
    QTRY_COMPARE_WITH_TIMEOUT(history.received.value(history.received.size() - 1),
                              QStringLiteral(":-P"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(runningHelpers(), 0, 20000);
}

void tst_SearchService::answersAnErrorWhenItCannotCopy()
{
    // The service started again, by a session without a display.
    qDBusRegisterMetaType<QMap<QString, QString>>();
    const auto setEnvironment = [this](const QString& platform) {
        QDBusMessage update = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
        update << QVariant::fromValue(
            QMap<QString, QString>{{QStringLiteral("QT_QPA_PLATFORM"), platform},
                                   {QStringLiteral("DISPLAY"), QString()},
                                   {QStringLiteral("WAYLAND_DISPLAY"), QString()}});
        const QDBusMessage reply = bus().call(update);
        if (reply.type() != QDBusMessage::ReplyMessage)
            qWarning("%s", qPrintable(reply.errorMessage()));
        return reply.type() == QDBusMessage::ReplyMessage;
    };
    QVERIFY(setEnvironment(QStringLiteral("xcb")));
    restartService();
    for (const QString& action : {QString(), QStringLiteral("insert")}) {
        const QDBusMessage reply =
            bus().call(runCall(QStringLiteral("smiley:;-)"), action), QDBus::Block, 20000);
        QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
    }
    QVERIFY(setEnvironment(QStringLiteral("offscreen")));
    restartService();

    // The helper itself says why, never aborts: no display, then a text
    // beyond its bound.
    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("DISPLAY"));
    helper.setProcessEnvironment(environment);
    for (const auto& [input, status] :
         {std::pair{QByteArray(";-)"), 1}, std::pair{QByteArray(16 * 1024 * 1024 + 1, 'x'), 2}}) {
        helper.start(m_dir.filePath(QStringLiteral("prog/zuno-insert-text")),
                     {QStringLiteral("--copy")});
        helper.write(input);
        helper.closeWriteChannel();
        QVERIFY(helper.waitForFinished(20000));
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), status);
        QVERIFY(!helper.readAllStandardError().isEmpty());
    }
}

void tst_SearchService::endsWhenIdleAndStartsAgain()
{
    // A pick in the overview is a use: that entry comes first from then on,
    // also after the service has ended and started again.
    const QStringList happy = providerIds(QStringLiteral("happy"));
    QVERIFY2(happy.size() >= 2, qPrintable(happy.join(u' ')));
    QDBusInterface provider(OverviewName, ProviderPath, ProviderInterface, bus());
    QVERIFY(provider
                .call(QStringLiteral("ActivateResult"), happy.last(),
                      QStringList{QStringLiteral("happy")}, 0u)
                .type() == QDBusMessage::ReplyMessage);
    QCOMPARE(providerIds(QStringLiteral("happy")).value(0), happy.last());
    QVERIFY(serviceRuns());
    QTRY_VERIFY_WITH_TIMEOUT(!serviceRuns(), 20000);
    QCOMPARE(providerIds(QStringLiteral("happy")).value(0), happy.last());

    // Ended by the session (SIGTERM), it keeps a use as well.
    for (int use = 0; use < 3; ++use)
        provider.call(QStringLiteral("ActivateResult"), happy.first(),
                      QStringList{QStringLiteral("happy")}, 0u);
    QCOMPARE(providerIds(QStringLiteral("happy")).value(0), happy.first());
    restartService();
    QCOMPARE(providerIds(QStringLiteral("happy")).value(0), happy.first());

    // The runner's name held by another (this test): the instance the
    // overview starts serves the overview's all the same.
    restartService();
    QVERIFY(bus().registerService(BusName));
    QCOMPARE(providerIds(QStringLiteral("happy")).value(0), happy.first());
    const QDBusReply<uint> pid = bus().interface()->servicePid(OverviewName);
    QVERIFY(bus().unregisterService(BusName));
    QVERIFY(pid.isValid() && ::kill(pid_t(pid.value()), SIGTERM) == 0);
    QTRY_VERIFY_WITH_TIMEOUT(!bus().interface()->isServiceRegistered(OverviewName), 20000);
}

void tst_SearchService::answersAlikeFromItsStoredEntries_data()
{
    // What happens to the stored copy, or to a list, after a start stored it.
    QTest::addColumn<QString>("change");
    QTest::newRow("nothing") << "";
    // Its bytes changed where only its checksum tells.
    QTest::newRow("a damaged copy") << "damage";
    QTest::newRow("a truncated copy") << "truncate";
    QTest::newRow("a foreign file") << "foreign";
    // Written in place to the same size, its time set back as it was.
    QTest::newRow("a list changed") << "list";
    // Taken by a start, then written over in place while that one runs.
    QTest::newRow("a copy written over in use") << "overwrite";
    // Taken by a start, then cut short before that one answered.
    QTest::newRow("a copy cut short in use") << "cut";
}

void tst_SearchService::answersAlikeFromItsStoredEntries()
{
    QFETCH(QString, change);
    const QString stored =
        qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/ZunoSmileys/search-rows");
    QVERIFY(!stored.startsWith(QStringLiteral("/ZunoSmileys")));
    const QStringList queries{QStringLiteral("hibou"), QStringLiteral("wink"),
                              QStringLiteral("dodo"),  QStringLiteral("ecole"),
                              QStringLiteral("zzz"),   QStringLiteral(":)"),
                              QStringLiteral("strix"), QStringLiteral("sommeil")};
    // The runner's texts, the provider's ids and their metas' names and descriptions.
    const auto answers = [this, &queries] {
        QStringList all;
        QDBusInterface provider(BusName, ProviderPath, ProviderInterface, bus());
        for (const QString& query : queries) {
            const QStringList ids = providerIds(query);
            all << runnerTexts(query).join(u' ') << ids.join(u' ');
            const QDBusMessage metas = provider.call(QStringLiteral("GetResultMetas"), ids);
            QList<QVariantMap> maps;
            metas.arguments().value(0).value<QDBusArgument>() >> maps;
            for (const QVariantMap& meta : std::as_const(maps))
                all << meta.value(QStringLiteral("name")).toString() + u'|' +
                           meta.value(QStringLiteral("description")).toString();
        }
        return all;
    };
    // Lists as a user keeps them: written an hour ago.
    const QDateTime written = QDateTime::currentDateTime().addSecs(-3600);
    const auto writeList = [&written](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
               file.flush() && file.setFileTime(written, QFileDevice::FileModificationTime);
    };
    QVERIFY(writeList(listFile("Smileys.smy"), "\"(o_O)\",\"Hibou surpris\"\r\n"
                                               "\" ;-) \",\"Hibou qui cligne\"\r\n"
                                               "\":-o\",\"\xc3\x89"
                                               "cole\"\r\n"
                                               "\"(o_O) \",\"Autre hibou\"\r\n"));
    QVERIFY(writeList(listFile("Acronyms.acr"), "ZZZ,Dodo\r\nzzz,Dodo encore\r\n"));
    // The user's keywords on entries of the lists too, the stored ones among them.
    QVERIFY(TestFiles::writeFile(listFile("Keywords.json"),
                                 "{\"smileys\": {\";-)\": [\"zorglub\"], \"(o_O)\": [\"strix\"]},"
                                 " \"acronyms\": {\" ZZZ \": [\"sommeil\"]}}"));
    QFile::remove(stored);
    restartService();
    const QStringList truth = answers();
    QVERIFY2(truth.first().contains(QStringLiteral("(o_O)")), qPrintable(truth.join(u'|')));
    QVERIFY(runnerTexts(QStringLiteral("strix")).contains(QStringLiteral("(o_O)")));
    // Stored once that answer was given.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stored), 20000);
    restartService();
    QByteArray copy = TestFiles::readAll(stored);
    QVERIFY(!copy.isEmpty());
    if (change == QLatin1String("damage")) {
        const QByteArray from(reinterpret_cast<const char*>(u"hibou"), 10);
        QVERIFY(copy.contains(from));
        copy.replace(from, QByteArray(reinterpret_cast<const char*>(u"qqqqq"), 10));
        QVERIFY(TestFiles::writeFile(stored, copy));
    } else if (change == QLatin1String("truncate")) {
        QVERIFY(TestFiles::writeFile(stored, copy.first(copy.size() / 2)));
    } else if (change == QLatin1String("foreign")) {
        QVERIFY(TestFiles::writeFile(stored, QByteArray(copy.size(), 'x')));
    } else if (change == QLatin1String("overwrite")) {
        QCOMPARE(answers(), truth);
        // Once its answer is out, the service holds the copy's bytes in
        // memory of its own, no longer mapped from the file.
        const QDBusReply<uint> pid = bus().interface()->servicePid(BusName);
        QVERIFY(pid.isValid());
        const QString maps = QStringLiteral("/proc/%1/maps").arg(pid.value());
        const auto ownsTheCopy = [&maps] {
            const QByteArray mapped = TestFiles::readAll(maps);
            return mapped.contains("zuno-search-service") && !mapped.contains("search-rows");
        };
        QTRY_VERIFY_WITH_TIMEOUT(ownsTheCopy(), 20000);
        QVERIFY(TestFiles::writeFile(stored, QByteArray(copy.size(), 'x')));
        // By the same process, not one that read the copy anew.
        QCOMPARE(answers(), truth);
        QCOMPARE(bus().interface()->servicePid(BusName).value(), pid.value());
    } else if (change == QLatin1String("cut")) {
        QVERIFY(bus().interface()->startService(BusName).isValid());
        const QDBusReply<uint> pid = bus().interface()->servicePid(BusName);
        QVERIFY(pid.isValid());
        const QString maps = QStringLiteral("/proc/%1/maps").arg(pid.value());
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::readAll(maps).contains("search-rows"), 20000);
        // The cut waits until the service no longer maps the copy, which
        // it makes its own soon, though asked nothing: its first answer,
        // from what it mapped, is as before.
        std::atomic<bool> cut = false;
        std::thread cutter(
            [&stored, &cut] { cut = ::truncate(QFile::encodeName(stored).constData(), 0) == 0; });
        const auto joinCutter = qScopeGuard([&cutter] { cutter.join(); });
        QTRY_VERIFY_WITH_TIMEOUT(
            cut || TestFiles::readAll(QStringLiteral("/proc/locks")).contains("BREAKING"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(cut, 20000);
        QCOMPARE(answers(), truth);
        QCOMPARE(bus().interface()->servicePid(BusName).value(), pid.value());
    } else if (change == QLatin1String("list")) {
        QFile file(listFile("Smileys.smy"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray bytes = file.readAll().replace("Hibou surpris", "Chouette vue!");
        QVERIFY(file.seek(0) && file.write(bytes) == bytes.size() && file.flush());
        QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
    }
    const QByteArray changed = TestFiles::readAll(stored);
    const QStringList answered = answers();
    // The same as a start without the stored copy answers.
    QFile::remove(stored);
    restartService();
    QCOMPARE(answered, answers());
    if (change == QLatin1String("list"))
        QVERIFY(answered != truth);
    else
        QCOMPARE(answered, truth);
    // A copy that failed is replaced.
    if (!change.isEmpty() && change != QLatin1String("list")) {
        restartService();
        QVERIFY(TestFiles::writeFile(stored, changed));
        answers();
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::readAll(stored) != changed, 20000);
    }
}

QTEST_GUILESS_MAIN(tst_SearchService)
#include "tst_search_service.moc"
