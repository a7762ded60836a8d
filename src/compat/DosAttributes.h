#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The DOS attribute bits of a file as Samba and Wine keep them on Linux: in the
// extended attribute "user.DOSATTRIB", whose value begins with the bits as
// hexadecimal text ("0x22"), NUL-terminated; Samba may follow the text with a
// binary record, which is not needed here.
class DosAttributes
{
public:
    enum Bit : quint32 { ReadOnly = 0x1, Hidden = 0x2, System = 0x4, Archive = 0x20 };

    static constexpr const char* attributeName = "user.DOSATTRIB";

    // The bits of the file, or nothing when it has no such attribute, the file
    // system keeps none, or the value is not a hexadecimal number.
    static std::optional<quint32> read(const QString& fileName);

    // The bits in the value of the attribute as stored.
    static std::optional<quint32> parse(const QByteArray& value);
};
