#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What a command-line program that a test ran answered: its exit code (-1
// when it did not end by itself within 30 s), its output and its errors.
struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs a program to its end in the given environment (and folder).
inline ToolRun runTool(const QString& program, const QStringList& args,
                       const QProcessEnvironment& env, const QString& workingDirectory = QString())
{
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, args);
    ToolRun result;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}
