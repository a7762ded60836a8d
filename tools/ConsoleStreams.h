#pragma once

#include <QStringConverter>
#include <QTextStream>

#include <cstdio>

// Standard output and error of the command-line tools, always UTF-8 whatever
// the locale, so that accented texts come out the same in every terminal.
// Function statics, so they are flushed when the process ends.
class Utf8ConsoleStream : public QTextStream
{
public:
    explicit Utf8ConsoleStream(FILE* file)
        : QTextStream(file)
    {
        setEncoding(QStringConverter::Utf8);
    }
};

inline QTextStream& out()
{
    static Utf8ConsoleStream stream(stdout);
    return stream;
}

inline QTextStream& err()
{
    static Utf8ConsoleStream stream(stderr);
    return stream;
}
