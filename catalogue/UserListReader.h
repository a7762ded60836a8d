#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

// Reads back the user list files that the catalogue program writes: one line
// per entry, the text and the description each between double quotes,
// separated by a comma, every line ended by CR LF. Nothing inside the quotes is
// escaped, so the reader splits a quoted line at the first `","` and takes the
// rest of the line, less its closing quote, as the description: any quote or
// comma inside either field comes back unchanged, as long as the text itself
// does not hold the three characters `","`.
//
// It also reads what people write by hand or other programs leave behind:
// - line ends CR LF, LF alone or CR alone; a last line without its line end;
// - blank lines, which are skipped;
// - lines without quotes, split at the first comma, each field trimmed of
//   blanks (a line without a comma is a text with an empty description);
// - blanks outside the quotes, a missing closing quote, a description that is
//   not quoted;
// - UTF-8 with or without its byte-order mark, and, for a line that is not
//   valid UTF-8, the Western Windows code page (Windows-1252), so files made on
//   Windows keep their accented letters, and so do the UTF-8 lines of a file
//   to which such a line was added.
class UserListReader
{
public:
    // Receives each entry in file order; answering false stops the reading.
    using EntrySink = std::function<bool(const QString& text, const QString& description)>;

    // Reads the file at path. A file that is missing, unreadable or not a
    // regular file reports nothing: a first start has no list file yet.
    static void readFile(const QString& path, const EntrySink& sink);

    // Reads the bytes of a whole list file.
    static void parse(QByteArrayView bytes, const EntrySink& sink);
};
