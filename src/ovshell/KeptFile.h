#pragma once

#include <QByteArray>
#include <QString>

// A file that the shell library keeps in the user's data folder for the
// desktop (a MIME package, an icon, a desktop entry). Every such file carries
// the marker near its start, so the library tells its own files from another
// program's: a file without it, a link or anything that is not a regular file
// is never replaced or removed. A file is written only when its bytes differ,
// and atomically, so a reader never sees half a file and a repeated
// registration touches nothing.
class KeptFile
{
public:
    enum class Outcome {
        Unchanged, // already held exactly these bytes, or was already absent
        Written,
        Removed,
        Foreign, // belongs to someone else: left alone
        Failed,  // could not be written or removed
    };

    // The text that marks the library's files.
    static const QByteArray Marker;

    // Makes the file hold exactly `content`, which must carry the marker.
    static Outcome keep(const QString& path, const QByteArray& content);
    // Removes the file when it is one of the library's own.
    static Outcome discard(const QString& path);

    // True when the outcome changed what is on disk.
    static bool changed(Outcome outcome)
    {
        return outcome == Outcome::Written || outcome == Outcome::Removed;
    }
};
