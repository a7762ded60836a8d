#include "ListFileImport.h"

#include "ZunoSmiley1.h"

#include <QDir>
#include <QFileInfo>

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
                                                              const AddEntry& addAcronym)
{
    QList<FileReport> reports;
    for (const QString& path : paths) {
        FileReport report;
        report.path = path;
        const std::optional<List> list = listOf(path);
        if (!list) {
            reports.append(report);
            continue;
        }
        report.list = *list;
        QList<UserListFormat::Entry> entries;
        report.read = UserListReader::readFile(
            path, [&entries](const QString& text, const QString& description) {
                entries.append({text, description});
                return true;
            });
        if (report.read.outcome != UserListReader::Result::Outcome::Read || report.read.cut()) {
            report.outcome = FileReport::Outcome::Unreadable;
            reports.append(report);
            continue;
        }
        report.outcome = FileReport::Outcome::Imported;
        const AddEntry& add = *list == List::Smileys ? addSmiley : addAcronym;
        for (const UserListFormat::Entry& entry : std::as_const(entries)) {
            if (add(entry.text, entry.description))
                report.added.append(entry);
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
        const QString file = QDir::toNativeSeparators(report.path);
        switch (report.outcome) {
        case FileReport::Outcome::Imported:
            lines << localizer.ID_INT_IMPORT_COUNTS(file, qint32(report.added.size()),
                                                    report.alreadyThere);
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
