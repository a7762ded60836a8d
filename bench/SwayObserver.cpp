#include "SwayObserver.h"

#include "X11Observer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The IPC's framing: "i3-ipc", the payload's length and the message's type,
// both in the machine's byte order.
constexpr char Magic[] = "i3-ipc";
constexpr int MagicSize = 6;
constexpr int HeaderSize = MagicSize + 8;
constexpr quint32 Subscribe = 2;
constexpr quint32 WindowEvent = 0x80000003;

QByteArray ipcMessage(quint32 type, const QByteArray& payload)
{
    QByteArray message(Magic, MagicSize);
    const quint32 header[2] = {quint32(payload.size()), type};
    message.append(reinterpret_cast<const char*>(header), sizeof header);
    return message + payload;
}

} // namespace

SwayObserver::SwayObserver()
    // Below /tmp, which the compositor's user can enter.
    : m_folder(QStringLiteral("/tmp/zuno-sway-bench.XXXXXX"))
{
    m_valid = start();
}

SwayObserver::~SwayObserver()
{
    if (m_ipc >= 0)
        ::close(m_ipc);
    if (m_pid <= 0)
        return;
    ::kill(pid_t(m_pid), SIGTERM);
    // Not a child of ours (started detached): gone, or ended and not reaped.
    const QString status = QStringLiteral("/proc/%1/status").arg(m_pid);
    for (int i = 0; i < 1000; ++i) {
        QFile file(status);
        if (!file.open(QIODevice::ReadOnly) || file.readAll().contains("\nState:\tZ"))
            return;
        QThread::msleep(10);
    }
    ::kill(pid_t(m_pid), SIGKILL);
}

bool SwayObserver::start()
{
    if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty()) {
        m_why = QStringLiteral("sway is not installed");
        return false;
    }
    if (!m_folder.isValid()) {
        m_why = QStringLiteral("no folder below /tmp");
        return false;
    }
    const QString folder = m_folder.path();
    const QString runtime = folder + QStringLiteral("/runtime");
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                      QFile::ExeGroup);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString config = folder + QStringLiteral("/config");
    if (QFile file(config); file.open(QIODevice::WriteOnly))
        file.write("output HEADLESS-1 resolution 1024x768\nxwayland disable\n");
    QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther |
                                      QFile::ReadGroup);

    QStringList command;
    if (::geteuid() == 0) {
        // sway refuses to run as root.
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
            m_why = QStringLiteral("no user nobody or no setpriv to run sway as an ordinary user");
            return false;
        }
        if (::chown(QFile::encodeName(runtime).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            m_why = QStringLiteral("cannot give the runtime folder to nobody");
            return false;
        }
        command << QStringLiteral("setpriv") << QStringLiteral("--reuid=nobody")
                << QStringLiteral("--regid=nogroup") << QStringLiteral("--clear-groups")
                << QStringLiteral("--");
    }
    command << QStringLiteral("env") << QStringLiteral("-i")
            << QStringLiteral("PATH=/usr/sbin:/usr/bin:/sbin:/bin")
            << QStringLiteral("HOME=") + folder << QStringLiteral("XDG_RUNTIME_DIR=") + runtime
            << QStringLiteral("WLR_BACKENDS=headless")
            << QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1") << QStringLiteral("WLR_RENDERER=pixman")
            << QStringLiteral("sway") << QStringLiteral("-c") << config;
    QProcess sway;
    sway.setProgram(command.takeFirst());
    sway.setArguments(command);
    sway.setStandardOutputFile(folder + QStringLiteral("/sway.log"));
    sway.setStandardErrorFile(folder + QStringLiteral("/sway.log"), QIODevice::Append);
    if (!sway.startDetached(&m_pid)) {
        m_why = QStringLiteral("sway did not start");
        return false;
    }

    // Its sockets appear once it runs.
    QString ipc;
    const qint64 deadline = X11Observer::now() + 10'000'000'000;
    while ((m_socket.isEmpty() || ipc.isEmpty()) && X11Observer::now() < deadline) {
        QThread::msleep(10);
        const QDir folderOfSockets(runtime);
        for (const QString& name : folderOfSockets.entryList(QDir::System)) {
            if (name.startsWith(QLatin1String("wayland-")) &&
                !name.endsWith(QLatin1String(".lock")))
                m_socket = folderOfSockets.filePath(name);
            else if (name.startsWith(QLatin1String("sway-ipc.")))
                ipc = folderOfSockets.filePath(name);
        }
    }
    if (m_socket.isEmpty() || ipc.isEmpty()) {
        QFile log(folder + QStringLiteral("/sway.log"));
        const QByteArray said =
            log.open(QIODevice::ReadOnly) ? log.readAll().trimmed() : QByteArray();
        m_why = QStringLiteral("the headless compositor did not start: ") +
                QString::fromLocal8Bit(said.mid(said.lastIndexOf('\n') + 1));
        return false;
    }
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(ipc);
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    m_ipc = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_ipc < 0 || ::connect(m_ipc, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        m_why = QStringLiteral("no connection to the compositor's IPC socket");
        return false;
    }
    const QByteArray subscribe = ipcMessage(Subscribe, "[\"window\"]");
    if (::write(m_ipc, subscribe.constData(), size_t(subscribe.size())) != subscribe.size()) {
        m_why = QStringLiteral("the compositor's IPC socket refused the subscription");
        return false;
    }
    return true;
}

bool SwayObserver::waitUntil(const std::function<bool()>& done, qint64 deadline,
                             const std::function<bool()>& alive)
{
    for (;;) {
        readEvents();
        if (done())
            return true;
        const qint64 left = deadline - X11Observer::now();
        if (left <= 0 || (alive && !alive()) || m_ipc < 0)
            return false;
        pollfd input = {m_ipc, POLLIN, 0};
        ::poll(&input, 1, int(std::min<qint64>(left / 1000000 + 1, 5)));
    }
}

void SwayObserver::readEvents()
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = m_ipc < 0 ? 0 : ::recv(m_ipc, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            m_pending.append(buffer, got);
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            // The compositor is gone.
            if (m_ipc >= 0)
                ::close(m_ipc);
            m_ipc = -1;
        }
        if (got == 0 || errno != EINTR)
            break;
    }
    const qint64 time = X11Observer::now();
    while (m_pending.size() >= HeaderSize) {
        quint32 header[2];
        std::memcpy(header, m_pending.constData() + MagicSize, sizeof header);
        if (m_pending.size() < HeaderSize + qsizetype(header[0]))
            return;
        const QByteArray payload = m_pending.mid(HeaderSize, header[0]);
        m_pending.remove(0, HeaderSize + header[0]);
        if (header[1] != WindowEvent)
            continue; // the subscription's answer
        const QJsonObject event = QJsonDocument::fromJson(payload).object();
        const QJsonObject container = event.value(QLatin1String("container")).toObject();
        const qint64 pid = container.value(QLatin1String("pid")).toInteger();
        const QString change = event.value(QLatin1String("change")).toString();
        Window& window = m_windows[pid];
        if (change == QLatin1String("new") && !window.mapped)
            window.mapped = time;
        else if (change == QLatin1String("focus") && !window.focused &&
                 container.value(QLatin1String("focused")).toBool())
            window.focused = time;
        else if (change == QLatin1String("close") && !window.closed)
            window.closed = time;
    }
}
