// Prints how long the catalogue controls take to report the entries of user
// list files of 1,000, 10,000 and 100,000 lines, in the program's own format
// (UTF-8) and as a file made on Windows (Windows-1252), beside the time to
// merely read the same file and split it into lines, as the reference.
//
//   bench_catalogue_load [RUNS]     best of RUNS runs each (default 5)

#include "BestTime.h"
#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

struct Entry
{
    QString text;
    QString description;
};

QByteArray listFile(int lines, bool windows1252)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(lines) * 48);
    for (int i = 0; i < lines; ++i) {
        const QString text = QStringLiteral(":-) n°%1").arg(i);
        const QString description = QStringLiteral("Entrée numéro %1, \"très\" utile").arg(i);
        const QByteArray line =
            QByteArray("\"") + (windows1252 ? text.toLatin1() : text.toUtf8()) + "\",\"" +
            (windows1252 ? description.toLatin1() : description.toUtf8()) + "\"\r\n";
        bytes += line;
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    QTextStream out(stdout);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        QTextStream(stderr) << "cannot make a temporary folder\n";
        return 1;
    }

    out << "catalogue controls, best of " << runs << " runs, milliseconds\n";
    out << qSetFieldWidth(12) << "lines"
        << "encoding"
        << "bytes"
        << "LoadFile"
        << "read+split" << qSetFieldWidth(0) << '\n';
    for (const int lines : {1000, 10000, 100000}) {
        for (const bool windows1252 : {false, true}) {
            const QString path = dir.filePath(
                QStringLiteral("list-%1-%2.smy").arg(lines).arg(windows1252 ? 1252 : 8));
            const QByteArray bytes = listFile(lines, windows1252);
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
                QTextStream(stderr) << "cannot write " << path << '\n';
                return 1;
            }
            file.close();

            // A receiver that keeps every entry, as the program's list does.
            OVSmiley control;
            QList<Entry> received;
            QObject::connect(&control, &OVSmiley::NextSmiley,
                             [&](const QString& text, const QString& description, qint16) {
                                 received.append({text, description});
                             });
            const double load = bestMilliseconds(runs, [&] {
                received.clear();
                control.LoadFile(path);
            });
            if (received.size() != lines) {
                QTextStream(stderr)
                    << "expected " << lines << " entries, got " << received.size() << '\n';
                return 1;
            }
            const double reference = bestMilliseconds(runs, [&] {
                QFile input(path);
                if (input.open(QIODevice::ReadOnly))
                    (void)QString::fromUtf8(input.readAll()).split(QStringLiteral("\r\n"));
            });
            out << qSetFieldWidth(12) << lines
                << (windows1252 ? QStringLiteral("cp1252") : QStringLiteral("utf-8"))
                << bytes.size() << QString::number(load, 'f', 2)
                << QString::number(reference, 'f', 2) << qSetFieldWidth(0) << '\n';
        }
    }

    for (const bool smileys : {true, false}) {
        int count = 0;
        double table = 0;
        if (smileys) {
            OVSmiley control;
            QObject::connect(&control, &OVSmiley::NextSmiley, [&] { ++count; });
            table = bestMilliseconds(runs, [&] { control.LoadTable(); });
        } else {
            OVAcronym control;
            QObject::connect(&control, &OVAcronym::NextAcronym, [&] { ++count; });
            table = bestMilliseconds(runs, [&] { control.LoadTable(); });
        }
        out << (smileys ? "LoadTable smileys " : "LoadTable acronyms ") << count / runs
            << " entries: " << QString::number(table, 'f', 3) << " ms\n";
    }
    return 0;
}
