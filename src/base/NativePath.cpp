#include "base/NativePath.h"

#include <QFile>

namespace {

// The surrogate that carries a byte of no valid UTF-8 sequence.
constexpr char16_t CarrierBase = 0xDC00;

bool isCarrier(QStringView path, qsizetype i)
{
    const char16_t unit = path.at(i).unicode();
    return unit >= 0xDC80 && unit <= 0xDCFF && (i == 0 || !path.at(i - 1).isHighSurrogate());
}

// The length of the valid UTF-8 sequence at bytes[i], or 0 when none starts
// there (a stray continuation byte, an overlong form, a surrogate, a code
// point over U+10FFFF, a sequence cut short).
qsizetype sequenceAt(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&bytes](qsizetype k) { return uchar(bytes.at(k)); };
    const uchar lead = at(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    uchar low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (bytes.size() - i < length || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

QString NativePath::decode(QByteArrayView bytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString path;
    path.reserve(bytes.size());
    qsizetype validFrom = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        if (const qsizetype length = sequenceAt(bytes, i)) {
            i += length;
            continue;
        }
        path += QString::fromUtf8(bytes.sliced(validFrom, i - validFrom));
        path += QChar(char16_t(CarrierBase + uchar(bytes.at(i))));
        validFrom = ++i;
    }
    path += QString::fromUtf8(bytes.sliced(validFrom));
    return path;
}

QByteArray NativePath::encode(QStringView path)
{
    QByteArray bytes;
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isCarrier(path, i))
            continue;
        bytes += path.sliced(plainFrom, i - plainFrom).toUtf8();
        bytes += char(path.at(i).unicode() - CarrierBase);
        plainFrom = i + 1;
    }
    if (plainFrom == 0)
        return QFile::encodeName(path.toString());
    return bytes + path.sliced(plainFrom).toUtf8();
}

QString NativePath::display(QStringView path)
{
    QString shown = path.toString();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (isCarrier(shown, i))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}
