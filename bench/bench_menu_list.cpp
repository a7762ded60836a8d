// Prints how long `ZunoSmiley --list` takes, a fresh process each time, to
// write every entry to a pipe that is read to its end, with 1,000, 10,000 and
// 100,000 user entries in each list file, 1,000 favourites, a usage
// history of 10,000 entries and keywords of the user's on 10,000 entries;
// beside it, in turns in the same run, the
// reference: a fresh process of this benchmark's own that reads the same two
// list files through the program's list reader and nothing else, and `cat`
// of both files to the same kind of pipe; and the start of the SHA-1 of
// each program's output, so that two builds are seen to print the same.
//
//   bench_menu_list [RUNS] [PROGRAM...]     median of RUNS runs each (default
//       9), of this build's program or of each PROGRAM given (another
//       build's, to compare two in one run)
//   bench_menu_list --read SMILEYS ACRONYMS     the reference's process

#include "BenchHome.h"
#include "BenchListFile.h"
#include "BenchMedian.h"
#include "catalogue/UserListReader.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

// Milliseconds from the start of program to the end of its output, read
// through a pipe; NaN when it failed. digest, when given, takes the output.
double timeToEnd(const QString& program, const QStringList& arguments,
                 QCryptographicHash* digest = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    qint64 bytes = 0;
    const auto take = [&] {
        const QByteArray got = process.readAll();
        bytes += got.size();
        if (digest)
            digest->addData(got);
    };
    while (process.waitForReadyRead(60000))
        take();
    process.waitForFinished(60000);
    const double ms = timer.nsecsElapsed() / 1e6;
    take();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return NAN;
    return bytes >= 0 ? ms : NAN;
}

int readOnly(const QString& smileys, const QString& acronyms)
{
    qint64 entries = 0;
    for (const QString& path : {smileys, acronyms})
        UserListReader::readFile(path, [&entries](const QString& text, const QString&) {
            entries += text.size() > 0;
            return true;
        });
    return entries > 0 ? 0 : 1;
}

// A usage file of the store's format: uses of entries, scores now.
QByteArray usageFile(int entries, int used)
{
    QJsonObject smileys;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (int i = 0; i < used; ++i)
        smileys.insert(QStringLiteral(":-x%1").arg(i * (entries / used)),
                       QJsonArray{1.0 + i % 7, double(now)});
    return QJsonDocument(
               QJsonObject{{QStringLiteral("format"), 1}, {QStringLiteral("smileys"), smileys}})
        .toJson(QJsonDocument::Compact);
}

// A keywords file of the store's format: keywords of the user's on some
// smileys.
QByteArray keywordsFile(int entries, int given)
{
    QJsonObject smileys;
    for (int i = 0; i < given; ++i)
        smileys.insert(QStringLiteral(":-x%1").arg(i * (entries / given) + entries / given / 2),
                       QJsonArray{QStringLiteral("word%1").arg(i), QStringLiteral("other")});
    return QJsonDocument(QJsonObject{{QStringLiteral("smileys"), smileys}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--read")
        return readOnly(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 9;
    QStringList programs;
    for (int i = 2; i < argc; ++i)
        programs << QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath();
    if (programs.isEmpty())
        programs
            << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("ZunoSmiley"));
    QTextStream out(stdout);
    for (qsizetype p = 0; p < programs.size(); ++p)
        out << QStringLiteral("program %1: %2\n").arg(p).arg(programs[p]);
    out << QStringLiteral("%1").arg(QStringLiteral("entries per file"), -17);
    for (qsizetype p = 0; p < programs.size(); ++p)
        out << QStringLiteral(" %1").arg(QStringLiteral("--list %1 ms").arg(p), 12);
    out << QStringLiteral(" %1 %2")
               .arg(QStringLiteral("reader ms"), 10)
               .arg(QStringLiteral("cat ms"), 8);
    for (qsizetype p = 0; p < programs.size(); ++p)
        out << QStringLiteral(" %1").arg(QStringLiteral("%1/reader").arg(p), 9);
    out << '\n';
    for (const int entries : {1000, 10000, 100000}) {
        QTemporaryDir home;
        useBenchHome(home);
        // The programs' own copies, so that their list files are the ones here.
        const QString prog = home.filePath(QStringLiteral("prog"));
        QDir().mkpath(prog);
        QStringList copies;
        for (qsizetype p = 0; p < programs.size(); ++p) {
            copies << prog + QStringLiteral("/ZunoSmiley.%1").arg(p);
            QFile::copy(programs[p], copies.last());
        }
        const QString smileys = prog + QStringLiteral("/Smileys.smy");
        const QString acronyms = prog + QStringLiteral("/Acronyms.acr");
        writeBenchListFile(smileys, QStringLiteral(":-x"), entries);
        writeBenchListFile(acronyms, QStringLiteral("ACR"), entries);
        QJsonArray marked;
        for (int i = 0; i < std::min(1000, entries); ++i)
            marked.append(QStringLiteral("ACR%1").arg(i * 7 % entries));
        QFile favourites(prog + QStringLiteral("/Favourites.json"));
        favourites.open(QIODevice::WriteOnly);
        favourites.write(QJsonDocument(QJsonObject{{QStringLiteral("acronyms"), marked}}).toJson());
        favourites.close();
        QFile keywords(prog + QStringLiteral("/Keywords.json"));
        keywords.open(QIODevice::WriteOnly);
        keywords.write(keywordsFile(entries, std::min(10000, entries)));
        keywords.close();
        QDir().mkpath(home.filePath(QStringLiteral("state/ZunoSmileys")));
        QFile usage(home.filePath(QStringLiteral("state/ZunoSmileys/usage.json")));
        usage.open(QIODevice::WriteOnly);
        usage.write(usageFile(entries, std::min(10000, entries)));
        usage.close();

        QList<QList<double>> list(programs.size());
        QList<double> reader, cat;
        // Each program's output of its first run, to tell whether they agree.
        QStringList digests;
        for (int run = 0; run < runs; ++run) {
            for (qsizetype p = 0; p < programs.size(); ++p) {
                QCryptographicHash digest(QCryptographicHash::Sha1);
                list[p] << timeToEnd(copies[p], {QStringLiteral("--list")},
                                     run == 0 ? &digest : nullptr);
                if (run == 0)
                    digests << QString::fromLatin1(digest.result().toHex().left(12));
            }
            reader << timeToEnd(QCoreApplication::applicationFilePath(),
                                {QStringLiteral("--read"), smileys, acronyms});
            cat << timeToEnd(QStringLiteral("cat"), {smileys, acronyms});
        }
        const double r = benchMedian(reader);
        out << QStringLiteral("%1").arg(entries, -17);
        for (const QList<double>& times : std::as_const(list))
            out << QStringLiteral(" %1").arg(benchMedian(times), 12, 'f', 1);
        out << QStringLiteral(" %1 %2").arg(r, 10, 'f', 1).arg(benchMedian(cat), 8, 'f', 1);
        for (const QList<double>& times : std::as_const(list))
            out << QStringLiteral(" %1").arg(benchMedian(times) / r, 9, 'f', 2);
        out << QStringLiteral("  output %1").arg(digests.join(QLatin1Char(' ')));
        out << '\n';
        out.flush();
    }
    return 0;
}
