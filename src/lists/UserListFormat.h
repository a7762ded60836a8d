#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringEncoder>
#include <QStringView>

// The user list file format as the catalogue program writes it: one line per
// entry, `"text","description"` and CR LF, UTF-8, nothing escaped. Beside the
// reader (UserListReader), so that what is written and what reads back are
// decided in one place.
class UserListFormat
{
public:
    struct Entry
    {
        QString text;
        QString description;
        bool operator==(const Entry&) const = default;
    };

    // Why an entry would not read back exactly as it was written.
    enum class Refusal {
        None,
        SeparatorInText,       // the text holds `","`, where the reader splits the line
        TextEndsLikeSeparator, // the text ends with `",`, which the quote after it completes
        LoneSurrogate,         // half of a surrogate pair, which UTF-8 cannot carry
        LineBreak,             // a CR or LF, which ends the line
        TooLong,               // a line longer than the reader takes, which it skips
    };

    // None exactly when line(text, description) reads back as this entry.
    static Refusal check(const QString& text, const QString& description);

    // The bytes of one entry's line, line end included.
    static QByteArray line(const QString& text, const QString& description);

    // The most bytes a line of these fields can take: three UTF-8 bytes per
    // UTF-16 unit, and the quotes, the comma and the line end.
    static qsizetype lineRoom(QStringView text, QStringView description)
    {
        return 7 + 3 * (text.size() + description.size());
    }

    // The one encoder of lines, into a buffer of the caller's, so that a
    // file of many lines is encoded without an allocation per line.
    class LineEncoder
    {
    public:
        // Writes the line of these fields at out, which has lineRoom() bytes
        // of room; answers where the line ends.
        char* line(char* out, QStringView text, QStringView description);

    private:
        char* field(char* out, QStringView text);
        QStringEncoder m_utf8{QStringConverter::Utf8, QStringConverter::Flag::Stateless};
    };

    // The entries of a whole list file, in file order, as the catalogue
    // controls report them: within the reader's limits. whole, when given,
    // tells whether every line was taken; a file that was cut must not be
    // written back from these entries, which would lose the rest.
    static QList<Entry> read(QByteArrayView bytes, bool* whole = nullptr);
};
