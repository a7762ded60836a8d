#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// A helper program that outlives its starter: started in a session of its
// own, reparented away from the starter (a second fork), in the folder /, and
// holding none of the starter's descriptors (no terminal, no output, no open
// file). It reads the text it is handed on its standard input, at its own
// pace: the text is in a file of memory only, so that the starter never
// blocks on it and nothing of it is left on disk. Its standard error goes to
// /dev/null, and so does its standard output unless the starter waits for a
// report.
class DetachedHelper
{
public:
    // program is the path of the file to run, not a name to look up.
    explicit DetachedHelper(QString program, QStringList arguments = {});

    // The helper's environment; the starter's own by default.
    void setEnvironment(const QProcessEnvironment& environment) { m_environment = environment; }

    // True once the program runs, with input on its standard input (none when
    // it is empty); false when it cannot be started.
    bool start(const QByteArray& input = {});

    // The same, then the one short line the helper writes on its standard
    // output before it closes it, without its line end. Waits for it at most
    // bound: nothing when the helper could not start, ended without a line,
    // wrote more than a short line, or did not answer in time.
    std::optional<QByteArray> startForReport(const QByteArray& input,
                                             std::chrono::milliseconds bound);

    // The same without waiting: the reading end of the helper's standard
    // output (close-on-exec, the caller's to close), at whose end of file the
    // helper has ended or closed its output; -1 when it cannot be started.
    int startWatched(const QByteArray& input);

    // Bytes beyond this on its standard input are not a text a helper is
    // handed; it refuses them.
    static constexpr qsizetype MaximumInput = 16 * 1024 * 1024;

    // The helper's side: the whole of its standard input, or nothing when it
    // cannot be read or is larger than MaximumInput.
    static std::optional<QByteArray> readInput();

private:
    bool launch(const QByteArray& input, int output);

    QString m_program;
    QStringList m_arguments;
    QProcessEnvironment m_environment;
};
