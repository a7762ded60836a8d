#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

// A session bus of a test's (or a benchmark's) own, that starts the services
// of one folder on request as the desktop's session bus does, with the
// environment given.
class PrivateBus
{
public:
    // Starts the daemon; services in folder/services, socket folder/bus.
    bool start(const QString& folder, const QProcessEnvironment& environment)
    {
        m_address = QStringLiteral("unix:path=") + folder + QStringLiteral("/bus");
        QDir(folder).mkpath(QStringLiteral("services"));
        const QString config = folder + QStringLiteral("/bus.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(
            QStringLiteral(
                "<busconfig><type>session</type>"
                "<listen>%1</listen><servicedir>%2/services</servicedir>"
                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                "<allow eavesdrop=\"true\"/>"
                "<allow own=\"*\"/></policy></busconfig>")
                .arg(m_address, folder)
                .toUtf8());
        file.close();
        QProcessEnvironment env = environment;
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_daemon.setProcessEnvironment(env);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                        QStringLiteral("--config-file=") + config});
        // It prints its address once it listens.
        return m_daemon.waitForStarted() && m_daemon.waitForReadyRead(10000);
    }

    ~PrivateBus()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};
