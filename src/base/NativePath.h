#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names as the system holds them: bytes, nearly always UTF-8. A name
// that is not valid UTF-8 (made on an older system in another code page)
// must still be found again, and QFile::decodeName puts U+FFFD where such a
// byte was, a name that names no file. Here each byte that is not part of a
// valid UTF-8 sequence travels in the QString as a lone low surrogate,
// U+DC80 to U+DCFF, which no valid UTF-8 decodes to, and becomes that byte
// again on its way back to the system: every name round-trips.
class NativePath
{
public:
    // A name from the system (argv, a folder listing) as a QString.
    static QString decode(QByteArrayView bytes);
    // The name's bytes for the system: decode(bytes) gives bytes back.
    static QByteArray encode(QStringView path);
    // The name for the user: each byte carried as above shows as U+FFFD.
    static QString display(QStringView path);
};
