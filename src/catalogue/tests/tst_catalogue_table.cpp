#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "compat/Automation.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QMetaMethod>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

struct Event
{
    QString text;
    QString description;
    qint16 isDefault;
};

// Loads the built-in table of a control created by its registered name, the
// way a client that knows only the name drives it.
QList<Event> loadTable(const QString& progId, const QVariant& language)
{
    std::unique_ptr<QObject> control(
        Automation::create(progId, {&OVSmiley::staticMetaObject, &OVAcronym::staticMetaObject}));
    const QMetaMethod event = control->metaObject()->method(control->metaObject()->indexOfSignal(
        progId.endsWith(QLatin1String("OVSmiley")) ? "NextSmiley(QString,QString,qint16)"
                                                   : "NextAcronym(QString,QString,qint16)"));
    QSignalSpy spy(control.get(), event);
    if (language.isValid())
        Automation::setProperty(control.get(), "Language", language.toString());
    Automation::call(control.get(), "LoadTable", {});
    QList<Event> events;
    for (const QList<QVariant>& arguments : std::as_const(spy))
        events.append({arguments.at(0).toString(), arguments.at(1).toString(),
                       arguments.at(2).value<qint16>()});
    return events;
}

// Every built-in description that the localizer answers in a language, in its
// interface order.
QStringList localizerDescriptions(ZunoSmiley1::LanguageConstants language)
{
    ZunoSmiley1 localizer;
    localizer.setLanguage(language);
    QStringList descriptions;
    const QMetaObject& meta = ZunoSmiley1::staticMetaObject;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (!method.name().startsWith("ID_LST_"))
            continue;
        QString text;
        if (!method.invoke(&localizer, Qt::DirectConnection, Q_RETURN_ARG(QString, text)))
            qFatal("cannot call %s", method.name().constData());
        descriptions << text;
    }
    return descriptions;
}

QString descriptionOf(const QList<Event>& events, const QString& text)
{
    for (const Event& event : events)
        if (event.text == text)
            return event.description;
    return QStringLiteral("(no entry %1)").arg(text);
}

} // namespace

// LoadTable of both controls: one event per built-in entry, described in the
// control's language, and the controls' interface as clients see it.
class tst_CatalogueTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void interfaceInOrder_data()
    {
        QTest::addColumn<QString>("progId");
        QTest::newRow("smileys") << "OrvakSmileys.OVSmiley";
        QTest::newRow("acronyms") << "OrvakSmileys.OVAcronym";
    }
    void interfaceInOrder()
    {
        QFETCH(QString, progId);
        std::unique_ptr<QObject> control(Automation::create(
            progId, {&OVSmiley::staticMetaObject, &OVAcronym::staticMetaObject}));
        QCOMPARE(Automation::progId(*control->metaObject()), progId);
        QStringList members;
        for (const Automation::Member& member :
             Automation::interfaceMembers(*control->metaObject()))
            members << member.displayName();
        QCOMPARE(members,
                 QStringList({"Language (read)", "Language (write)", "LoadTable", "LoadFile"}));
    }

    // The language is kept as given; only 1 gives French descriptions.
    void languageIsKeptAsGiven_data()
    {
        QTest::addColumn<qint32>("language");
        QTest::addColumn<QString>("wink");
        QTest::newRow("French") << 1 << "Clin d'oeil";
        QTest::newRow("English") << 2 << "Wink";
        QTest::newRow("zero") << 0 << "Wink";
        QTest::newRow("seven") << 7 << "Wink";
        QTest::newRow("negative") << -1 << "Wink";
    }
    void languageIsKeptAsGiven()
    {
        QFETCH(qint32, language);
        QFETCH(QString, wink);
        OVSmiley smileys;
        smileys.setLanguage(language);
        QCOMPARE(smileys.Language(), language);
        QCOMPARE(Automation::call(&smileys, "Language", {}).toInt(), language);
        QCOMPARE(descriptionOf(loadTable("OrvakSmileys.OVSmiley", language), ";-)"), wink);
    }

    void newControlDescribesInEnglish()
    {
        QCOMPARE(OVSmiley().Language(), 2);
        QCOMPARE(OVAcronym().Language(), 2);
        QCOMPARE(descriptionOf(loadTable("OrvakSmileys.OVAcronym", {}), "FYI"),
                 "For your information");
    }

    // The two tables together hold each built-in description of the localizer
    // exactly once, each table in the localizer's order, every entry marked
    // built-in, with a text of its own.
    void tablesCoverEveryDescription_data()
    {
        QTest::addColumn<qint32>("language");
        QTest::newRow("French") << 1;
        QTest::newRow("English") << 2;
    }
    void tablesCoverEveryDescription()
    {
        QFETCH(qint32, language);
        const QStringList expected =
            localizerDescriptions(ZunoSmiley1::LanguageConstants(language));
        QCOMPARE(expected.size(), 133);

        QList<qsizetype> used(expected.size(), 0);
        QSet<QString> texts;
        for (const QString progId : {"OrvakSmileys.OVSmiley", "OrvakSmileys.OVAcronym"}) {
            const QList<Event> events = loadTable(progId, language);
            QVERIFY2(events.size() > 60, qPrintable(progId));
            qsizetype previous = -1;
            for (const Event& event : events) {
                QCOMPARE(event.isDefault, qint16(-1));
                QVERIFY2(!event.text.trimmed().isEmpty(), qPrintable(event.description));
                QCOMPARE(event.text, event.text.trimmed());
                QVERIFY2(!texts.contains(event.text.toCaseFolded()),
                         qPrintable(event.text + " is listed twice"));
                texts.insert(event.text.toCaseFolded());

                // The first unused equal description after the previous entry's.
                qsizetype index = previous + 1;
                while (index < expected.size() &&
                       (used.at(index) || expected.at(index) != event.description))
                    ++index;
                QVERIFY2(
                    index < expected.size(),
                    qPrintable(event.text + " is not described in order: " + event.description));
                used[index] = 1;
                previous = index;
            }
        }
        QCOMPARE(used.count(0), 0);
    }

    void acronymsAndFacesAreDescribedByTheirOwnOperation_data()
    {
        QTest::addColumn<QString>("progId");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("french");
        QTest::addColumn<QString>("english");
        QTest::newRow("first face") << "OrvakSmileys.OVSmiley"
                                    << "|-O"
                                    << "Fatigué"
                                    << "Tired";
        QTest::newRow("faces after the acronyms") << "OrvakSmileys.OVSmiley"
                                                  << ":-/"
                                                  << "Sceptique"
                                                  << "Sceptic";
        QTest::newRow("first acronym") << "OrvakSmileys.OVAcronym"
                                       << "I41"
                                       << "A mon avis"
                                       << "I for one";
        QTest::newRow("same French text, other acronym") << "OrvakSmileys.OVAcronym"
                                                         << "IMO"
                                                         << "A mon avis"
                                                         << "In my opinion";
        QTest::newRow("acronym with a number") << "OrvakSmileys.OVAcronym"
                                               << "L8R"
                                               << "Plus tard"
                                               << "Later";
        QTest::newRow("last acronym") << "OrvakSmileys.OVAcronym"
                                      << "FYI"
                                      << "Pour votre information"
                                      << "For your information";
    }
    void acronymsAndFacesAreDescribedByTheirOwnOperation()
    {
        QFETCH(QString, progId);
        QFETCH(QString, text);
        QFETCH(QString, french);
        QFETCH(QString, english);
        QCOMPARE(descriptionOf(loadTable(progId, 1), text), french);
        QCOMPARE(descriptionOf(loadTable(progId, 2), text), english);
    }

    // A client that switches the language reloads into an emptied list.
    void reloadingAfterALanguageChangeRelabels()
    {
        OVAcronym acronyms;
        QSignalSpy spy(&acronyms, &OVAcronym::NextAcronym);
        acronyms.setLanguage(1);
        acronyms.LoadTable();
        const qsizetype count = spy.count();
        acronyms.setLanguage(2);
        acronyms.LoadTable();
        QCOMPARE(spy.count(), 2 * count);
        QCOMPARE(spy.at(count - 1).at(1).toString(), "Pour votre information");
        QCOMPARE(spy.last().at(1).toString(), "For your information");
    }

    void handlerMayDestroyTheControl()
    {
        auto* acronyms = new OVAcronym;
        int events = 0;
        connect(acronyms, &OVAcronym::NextAcronym, this, [&] {
            ++events;
            delete acronyms;
        });
        acronyms->LoadTable();
        QCOMPARE(events, 1);
    }
};

QTEST_GUILESS_MAIN(tst_CatalogueTable)
#include "tst_catalogue_table.moc"
