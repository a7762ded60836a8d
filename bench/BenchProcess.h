#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <vector>

extern char** environ;

// A copy of the catalogue program at copy, with the window's module it loads
// from beside itself when its build has one; false when it cannot be made.
inline bool copyBenchProgram(const QString& program, const QString& copy)
{
    const QString module = QStringLiteral("/libZunoSmileyWindow.so");
    const QString from = QFileInfo(program).absolutePath() + module;
    return QFile::copy(program, copy) &&
           (!QFile::exists(from) || QFile::copy(from, QFileInfo(copy).absolutePath() + module));
}

// The environment of a program a benchmark starts on its X display: this
// one's, with a home of its own (kept across its starts, as a user's is) and
// the X11 platform. The program looks for its running window on the session
// bus: only a bus of the benchmark's own (run_all.sh starts one) is handed
// on, never the user's.
inline QStringList benchEnvironment(const QString& home)
{
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QMap<QString, QString> own = {
        {QStringLiteral("HOME"), home},
        {QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config")},
        {QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data")},
        {QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache")},
        {QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/state")},
        {QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime")},
        {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")},
    };
    const bool privateBus = qEnvironmentVariableIsSet("ZUNO_BENCH_PRIVATE_BUS");
    QStringList environment;
    for (char** variable = environ; *variable; ++variable) {
        const QString entry = QString::fromLocal8Bit(*variable);
        const QString name = entry.section(QLatin1Char('='), 0, 0);
        if (!own.contains(name) &&
            (privateBus || name != QLatin1String("DBUS_SESSION_BUS_ADDRESS")))
            environment << entry;
    }
    for (auto it = own.cbegin(); it != own.cend(); ++it)
        environment << it.key() + QLatin1Char('=') + it.value();
    return environment;
}

// CPU time of every live thread of the process, in nanoseconds.
inline qint64 benchCpuTime(pid_t pid)
{
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toLongLong();
    }
    return total;
}

// Time every live thread of the process spent runnable but waiting for a
// core, in nanoseconds: on a loaded machine the part of a wall time that is
// not the process's own work.
inline qint64 benchRunQueueWait(pid_t pid)
{
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(1).toLongLong();
    }
    return total;
}

// Starts program with arguments and environment, its standard output to
// /dev/null; answers its process id, 0 when it could not start.
inline pid_t spawnBenchProgram(const QString& program, const QStringList& arguments,
                               const QStringList& environment)
{
    std::vector<QByteArray> strings;
    std::vector<char*> argv, envp;
    strings.push_back(QFile::encodeName(program));
    for (const QString& a : arguments)
        strings.push_back(QFile::encodeName(a));
    const size_t argc = strings.size();
    for (const QString& e : environment)
        strings.push_back(e.toLocal8Bit());
    for (size_t i = 0; i < strings.size(); ++i)
        (i < argc ? argv : envp).push_back(strings[i].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : 0;
}
