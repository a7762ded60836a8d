#include "compat/Automation.h"
#include "compat/AutomationError.h"

#include <QTest>

// A class shaped like the library classes: a property whose accessors sit at
// separate interface slots, a write-only property, a default argument, an
// enumeration and a member that raises.
class Sample : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "Test.Sample")
    Q_PROPERTY(Colour Shade READ Shade WRITE setShade)
    // Write-only in the interface: moc needs a reader, which stays out of the interface.
    Q_PROPERTY(QString Label READ label WRITE setLabel)
public:
    enum Colour { Red = 1, Blue = 2 };
    Q_ENUM(Colour)

    Q_INVOKABLE explicit Sample(QObject* parent = nullptr)
        : QObject(parent)
    {}

    Q_INVOKABLE void setShade(Colour c) { m_shade = c == Red ? Red : Blue; }
    Q_INVOKABLE void setLabel(const QString& s) { m_label = s; }
    QString label() const { return m_label; }
    Q_INVOKABLE QString Join(const QString& a, const QString& b = QStringLiteral("-")) const
    {
        return a + b + m_label;
    }
    Q_INVOKABLE bool IsShort(qint16 n) const { return n < 10; }
    Q_INVOKABLE qint32 Twice(qint32 n) const { return 2 * n; }
    Q_INVOKABLE QVariant Echo(const QVariant& v) const { return v; }
    Q_INVOKABLE void Fail() const { throw AutomationError(0x8004041D, QStringLiteral("raté")); }
    Q_INVOKABLE Colour Shade() const { return m_shade; }

private:
    Colour m_shade = Blue;
    QString m_label;
};

class tst_Automation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void membersFollowDeclarationOrder()
    {
        QStringList names;
        for (const auto& m : Automation::interfaceMembers(Sample::staticMetaObject))
            names << m.displayName();
        QCOMPARE(names, QStringList({"Shade (write)", "Label (write)", "Join", "IsShort", "Twice",
                                     "Echo", "Fail", "Shade (read)"}));
    }

    void createsByRegisteredName()
    {
        std::unique_ptr<QObject> o(
            Automation::create(QStringLiteral("test.sample"), {&Sample::staticMetaObject}));
        QVERIFY(qobject_cast<Sample*>(o.get()));
        QVERIFY_THROWS_EXCEPTION(
            Automation::CallError,
            Automation::create(QStringLiteral("Test.None"), {&Sample::staticMetaObject}));
    }

    void callsConvertAndFormat()
    {
        Sample s;
        Automation::setProperty(&s, "Label", QStringLiteral("!"));
        QCOMPARE(Automation::format(Automation::call(&s, "Join", {"a", "b"})), QString("ab!"));
        QCOMPARE(Automation::format(Automation::call(&s, "Join", {"a"})), QString("a-!"));
        QCOMPARE(Automation::format(Automation::call(&s, "IsShort", {"3"})), QString("True"));
        QCOMPARE(Automation::format(Automation::call(&s, "Twice", {"-21"})), QString("-42"));
        QCOMPARE(Automation::format(Automation::call(&s, "Echo", {"é"})), QString("é"));
        QCOMPARE(Automation::format(Automation::call(&s, "Shade", {})), QString("2"));
        Automation::setProperty(&s, "Shade", QStringLiteral("1"));
        QCOMPARE(Automation::format(Automation::call(&s, "Shade", {})), QString("1"));
        Automation::setProperty(&s, "Shade", QStringLiteral("7"));
        QCOMPARE(s.Shade(), Sample::Blue);
    }

    void badCallsAreReportedNotCrashed_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown member") << QByteArray("Nope") << QStringList();
        QTest::newRow("too many arguments") << QByteArray("Twice") << QStringList{"1", "2"};
        QTest::newRow("too few arguments") << QByteArray("Twice") << QStringList();
        QTest::newRow("not a number") << QByteArray("Twice") << QStringList{"x"};
        QTest::newRow("out of 16-bit range") << QByteArray("IsShort") << QStringList{"40000"};
        QTest::newRow("out of 32-bit range") << QByteArray("Twice") << QStringList{"4294967296"};
    }
    void badCallsAreReportedNotCrashed()
    {
        QFETCH(QByteArray, member);
        QFETCH(QStringList, args);
        Sample s;
        QVERIFY_THROWS_EXCEPTION(Automation::CallError, Automation::call(&s, member, args));
    }

    void raisedErrorReachesTheCaller()
    {
        Sample s;
        try {
            Automation::call(&s, "Fail", {});
            QFAIL("no error raised");
        } catch (const AutomationError& e) {
            QCOMPARE(e.numberText(), QString("0x8004041D"));
            QCOMPARE(e.description(), QString("raté"));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Automation)
#include "tst_automation.moc"
