#include "lists/ListFileImport.h"

#include "base/NativePath.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// How many entries are read between two reports of progress: often enough
// for a bar and a prompt stop, rare enough to cost nothing.
constexpr qint64 EntriesPerProgress = 4096;

qint64 sizeOf(const QString& path)
{
    struct stat status = {};
    if (::stat(NativePath::encode(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    return status.st_size;
}

} // namespace

std::optional<ListFileImport::List> ListFileImport::listOf(const QString& path)
{
    const QString extension = QFileInfo(path).suffix();
    if (extension.compare(QLatin1String("smy"), Qt::CaseInsensitive) == 0)
        return List::Smileys;
    if (extension.compare(QLatin1String("acr"), Qt::CaseInsensitive) == 0)
        return List::Acronyms;
    return std::nullopt;
}

QList<ListFileImport::FileReport> ListFileImport::importFiles(const QStringList& paths,
                                                              const AddEntry& addSmiley,
                                                              const AddEntry& addAcronym,
                                                              const Progress& progress)
{
    qint64 total = 0;
    if (progress) {
        for (const QString& path : paths) {
            if (listOf(path))
                total += sizeOf(path);
        }
    }
    qint64 done = 0;
    bool going = true;
    const auto tell = [&](qint64 now) { return going = !progress || progress(now, total); };

    QList<FileReport> reports;
    reports.reserve(paths.size());
    for (const QString& path : paths) {
        if (!tell(done))
            break;
        FileReport report;
        report.path = path;
        const std::optional<List> list = listOf(path);
        if (!list) {
            reports.append(report);
            continue;
        }
        report.list = *list;
        // Read whole before anything is added: a file cut short adds nothing.
        QList<UserListFormat::Entry> entries;
        QFile file;
        report.read = UserListReader::readFile(
            path, file, [&](const QString& text, const QString& description) {
                entries.append({text, description});
                return entries.size() % EntriesPerProgress != 0 ||
                       tell(done + std::min(file.pos(), total - done));
            });
        if (!going)
            break;
        done += std::min(report.read.fileSize, total - done);
        if (report.read.outcome != UserListReader::Result::Outcome::Read || report.read.cut()) {
            report.outcome = FileReport::Outcome::Unreadable;
            reports.append(report);
            continue;
        }
        report.outcome = FileReport::Outcome::Imported;
        const AddEntry& add = *list == List::Smileys ? addSmiley : addAcronym;
        for (const UserListFormat::Entry& entry : std::as_const(entries)) {
            if (add(entry.text, entry.description))
                ++report.added;
            else
                ++report.alreadyThere;
        }
        reports.append(report);
    }
    return reports;
}

QString ListFileImport::reportText(const QList<FileReport>& reports, const ZunoSmiley1& localizer)
{
    using Outcome = UserListReader::Result::Outcome;
    QStringList lines;
    for (const FileReport& report : reports) {
        const QString file = QDir::toNativeSeparators(NativePath::display(report.path));
        switch (report.outcome) {
        case FileReport::Outcome::Imported:
            lines << localizer.ID_INT_IMPORT_COUNTS(file, report.added, report.alreadyThere);
            break;
        case FileReport::Outcome::OtherType:
            lines << localizer.ID_INT_IMPORT_OTHER_TYPE(file);
            break;
        case FileReport::Outcome::Unreadable: {
            const Outcome outcome = report.read.outcome;
            const QString reason =
                outcome == Outcome::Missing      ? localizer.ID_INT_REASON_MISSING()
                : outcome == Outcome::NotAFile   ? localizer.ID_INT_REASON_NOT_REGULAR()
                : outcome == Outcome::Unreadable ? localizer.ID_INT_REASON_UNREADABLE()
                                                 : localizer.ID_INT_REASON_TOO_LARGE_TO_READ();
            lines << localizer.ID_INT_IMPORT_UNREADABLE(file, reason);
            break;
        }
        }
    }
    return lines.join(QLatin1Char('\n'));
}
