// A portal request's answer when the portal takes the call and then says
// nothing: the deadline ends it.
#include "PrivateBus.h"
#include "desktop/portal/PortalRequest.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// A portal that names its request object and never answers on it.
class SilentPortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Silent")
public Q_SLOTS:
    QDBusObjectPath Ask(const QVariantMap&)
    {
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/x/y"));
    }
};

class tst_PortalRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aSilentPortalGivesNoAnswerInTime()
    {
        QTemporaryDir dir;
        PrivateBus bus;
        QVERIFY(bus.start(dir.path(), QProcessEnvironment::systemEnvironment()));
        QDBusConnection portalSide = QDBusConnection::connectToBus(bus.address(), "portal");
        SilentPortal portal;
        QVERIFY(portalSide.registerObject("/org/freedesktop/portal/desktop", &portal,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(portalSide.registerService("org.freedesktop.portal.Desktop"));

        PortalRequest request(QDBusConnection::connectToBus(bus.address(), "client"));
        QSignalSpy answered(&request, &PortalRequest::answered);
        request.send("org.freedesktop.portal.Silent", "Ask", {QVariantMap()}, 300);
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 1, 20000);
        QCOMPARE(answered.at(0).at(0).value<PortalRequest::Answer>(),
                 PortalRequest::Answer::NoAnswer);
        QDBusConnection::disconnectFromBus("client");
        QDBusConnection::disconnectFromBus("portal");
    }
};

QTEST_GUILESS_MAIN(tst_PortalRequest)
#include "tst_portalrequest.moc"
