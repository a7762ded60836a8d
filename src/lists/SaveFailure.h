#pragma once

#include "base/AtomicFileWriter.h"

#include <QString>

class ZunoSmiley1;

// What the user is told of a file that could not be written, in the
// window's language: never the system's English words, never "Unknown
// error".
class SaveFailure
{
public:
    // The reason alone: "the disk is full", "le disque est plein".
    static QString reason(const ZunoSmiley1& localizer, AtomicFileWriter::Failure failure);
    // The same for a result: a change refused because the file would grow
    // over the reader's limit is told apart from a file found over it.
    static QString reason(const ZunoSmiley1& localizer, const AtomicFileWriter::Result& result);
    // One line of the closing question: the file and the reason.
    static QString line(const ZunoSmiley1& localizer, const QString& path,
                        const AtomicFileWriter::Result& result);
    // The report when a change could not be written at once (the entries
    // stay in the window): for a file that is no regular file, that it is
    // left as it is; otherwise the line above.
    static QString notice(const ZunoSmiley1& localizer, const QString& path,
                          const AtomicFileWriter::Result& result);
};
