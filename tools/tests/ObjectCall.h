#pragma once

// One call of the object library through ovcall, as a scripting client makes
// it: a fresh OrvakObject.OVObject in a new process. The tool's folder is
// TOOL_DIR.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline Result ovcall(const QStringList& args, const QProcessEnvironment& env = {},
                     const QStringList& prefix = {})
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    const QString tool = QStringLiteral(TOOL_DIR) + "/ovcall";
    if (prefix.isEmpty())
        p.start(tool, QStringList{"OrvakObject.OVObject"} + args);
    else
        p.start(prefix.first(), prefix.mid(1) + QStringList{tool, "OrvakObject.OVObject"} + args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    Result r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    if (r.out.endsWith('\n'))
        r.out.chop(1);
    return r;
}
