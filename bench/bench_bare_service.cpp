// The reference of bench_launcher: the least Qt program the session bus can
// start by name, which takes its name (argument 1) and answers the bus's
// ping. Ends after the idle time of ZUNO_SEARCH_IDLE_MS, as the service does.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2 || !QDBusConnection::sessionBus().registerService(QString::fromLocal8Bit(argv[1])))
        return 1;
    bool ok = false;
    const int idle = qEnvironmentVariableIntValue("ZUNO_SEARCH_IDLE_MS", &ok);
    QTimer::singleShot(ok ? idle : 60000, &app, &QCoreApplication::quit);
    return app.exec();
}
