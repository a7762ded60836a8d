#include "keeper/WaylandCopier.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

bool WaylandCopier::copy(const QByteArray& utf8Text)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("wl-copy"));
    if (program.isEmpty())
        return false;
    QProcess copier;
    // The server wl-copy leaves behind keeps whatever it inherits: nothing of
    // the starter's.
    copier.setStandardOutputFile(QProcess::nullDevice());
    copier.setStandardErrorFile(QProcess::nullDevice());
    // The type named, so that wl-copy offers plain text (and the X11 text
    // targets) whatever the text looks like.
    copier.start(program, {QStringLiteral("--type"), QStringLiteral("text/plain;charset=utf-8")});
    if (!copier.waitForStarted(10000))
        return false;
    copier.write(utf8Text);
    copier.closeWriteChannel();
    if (!copier.waitForFinished(10000)) {
        copier.kill();
        copier.waitForFinished(1000);
        return false;
    }
    return copier.exitStatus() == QProcess::NormalExit && copier.exitCode() == 0;
}
