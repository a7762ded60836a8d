#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

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

    // The entries of a whole list file, in file order, as the catalogue
    // controls report them: within the reader's limits. whole, when given,
    // tells whether every line was taken; a file that was cut must not be
    // written back from these entries, which would lose the rest.
    static QList<Entry> read(QByteArrayView bytes, bool* whole = nullptr);
};
