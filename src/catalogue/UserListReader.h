#pragma once

#include "zunocatalogue_export.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QtGlobal>

class QFile;
class QIODevice;

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
//
// Input is bounded, so that no file can exhaust memory or time: only the first
// MaxFileSize bytes are read, in pieces, and a line longer than MaxLineLength
// is skipped whole. Memory follows what the sink keeps, never the file's size.
// The result says when a file was cut, so that the program can say so and
// leave that file alone instead of rewriting it with part of its entries.
class ZUNOCATALOGUE_EXPORT UserListReader
{
public:
    // Receives each entry in file order; answering false stops the reading.
    using EntrySink = std::function<bool(const QString& text, const QString& description)>;

    // Turns a line's fields into text: UTF-8 for a line that is valid
    // UTF-8, Windows-1252 for any other.
    class FieldDecoder
    {
    public:
        FieldDecoder();
        QString decode(QByteArrayView field, bool utf8) const;
        // The same into text, kept from one call to the next: a field of
        // ASCII bytes (nearly all of them) costs no allocation.
        void decodeInto(QString& text, QByteArrayView field, bool utf8) const;

    private:
        mutable QStringDecoder m_utf8;
        mutable QStringDecoder m_windows1252;
    };
    // One entry's fields as its line holds them, before decoding, for a
    // reader that passes most of them on as they are. A line that is valid
    // UTF-8 gives fields whose bytes are exactly the UTF-8 of the text an
    // EntrySink receives. The views hold only during the call.
    struct Line
    {
        QByteArrayView text;
        QByteArrayView description;
        bool utf8 = true;
        const FieldDecoder* decoder = nullptr;

        // A field of this line as an EntrySink receives it.
        QString decode(QByteArrayView field) const { return decoder->decode(field, utf8); }
        void decodeInto(QString& out, QByteArrayView field) const
        {
            decoder->decodeInto(out, field, utf8);
        }
    };
    using LineSink = std::function<bool(const Line& line)>;

    // The most of a file that is read: 32 MiB, far beyond any list a person
    // keeps (a million entries fill about 31 MB) and small enough that the
    // entries of a full read fit the program's memory.
    static constexpr qint64 MaxFileSize = 32 * 1024 * 1024;
    // The longest line that is loaded: 1 MiB, room for any entry the entry
    // dialog takes from a paste.
    static constexpr qint64 MaxLineLength = 1024 * 1024;

    struct Limits
    {
        qint64 fileSize = MaxFileSize;
        qint64 lineLength = MaxLineLength;
    };

    struct Result
    {
        enum class Outcome {
            Read,       // the file was read (whole, or cut at the limits)
            Missing,    // no file: a first start
            NotAFile,   // a folder, a named pipe, a device or a socket
            Unreadable, // a file that cannot be opened or read
        };
        Outcome outcome = Outcome::Missing;
        qint64 fileSize = 0; // of a file that was read
        bool sizeLimitReached =
            false; // the lines past the first Limits::fileSize bytes were not read
        qint64 longLinesSkipped = 0; // lines longer than Limits::lineLength
        qint64 damagedLines = 0;     // lines holding a NUL byte: damaged bytes

        // The file holds entries that were not reported.
        bool cut() const { return sizeLimitReached || longLinesSkipped > 0; }
        // The entries reported are not all the file holds, or not as it
        // holds them: written back, something of it would be lost.
        bool lossy() const { return cut() || damagedLines > 0; }
    };

    // Reads the file at path. A file that is missing, unreadable or not a
    // regular file reports nothing: a first start has no list file yet.
    static Result readFile(const QString& path, const EntrySink& sink);
    // The same through file, which stays open at hand meanwhile (its position
    // tells how far the reading has come).
    static Result readFile(const QString& path, QFile& file, const EntrySink& sink);

    // Reads a list from the current position of device, at most
    // limits.fileSize bytes. Only whole lines within that size are reported.
    static Result read(QIODevice& device, const EntrySink& sink, const Limits& limits);
    static Result read(QIODevice& device, const EntrySink& sink);

    // The same readings, each entry undecoded: what every entry of the
    // others is decoded from.
    static Result readFileLines(const QString& path, const LineSink& sink);
    static Result readFileLines(const QString& path, QFile& file, const LineSink& sink);
    static Result readLines(QIODevice& device, const LineSink& sink, const Limits& limits);
};
