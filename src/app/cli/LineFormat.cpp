#include "app/cli/LineFormat.h"

#include <cstring>

bool LineFormat::breaksLine(QChar c)
{
    switch (c.unicode()) {
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x85:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

void LineFormat::appendField(QString& out, QStringView text)
{
    const qsizetype start = out.size();
    out.append(text);
    for (qsizetype i = start; i < out.size(); ++i)
        if (breaksLine(out.at(i)))
            out[i] = u' ';
}

void LineFormat::appendKeywords(QString& out, const QStringList& keywords)
{
    for (qsizetype k = 0; k < keywords.size(); ++k) {
        if (k > 0)
            out.append(QLatin1String(", "));
        appendField(out, keywords[k]);
    }
}

void LineFormat::appendLine(QString& out, const BilingualEntry& entry, int language)
{
    appendField(out, entry.text);
    out.append(u'\t');
    appendField(out, entry.description(language));
    out.append(u'\t');
    appendField(out, entry.description(language == 1 ? 2 : 1));
    out.append(u'\t');
    appendKeywords(out, entry.keywords);
    out.append(u'\n');
}

namespace {

// Whether any of the 8 bytes of word is below 0x20, 0xC2 or 0xE2: the
// bytes that may begin a character that breaks a line.
bool mayBreak(quint64 word)
{
    constexpr quint64 Ones = 0x0101010101010101;
    constexpr quint64 Highs = 0x8080808080808080;
    const auto anyZero = [](quint64 w) { return ((w - Ones) & ~w & Highs) != 0; };
    return ((word - 0x20 * Ones) & ~word & Highs) != 0 || anyZero(word ^ (0xC2 * Ones)) ||
           anyZero(word ^ (0xE2 * Ones));
}

} // namespace

char* LineFormat::copyField(char* to, QByteArrayView field)
{
    const auto* from = reinterpret_cast<const uchar*>(field.data());
    const uchar* const end = from + field.size();
    while (from != end) {
        // Most of a field has none of them: it goes eight bytes at a time.
        if (end - from >= 8) {
            quint64 word;
            std::memcpy(&word, from, 8);
            if (!mayBreak(word)) {
                std::memcpy(to, &word, 8);
                to += 8;
                from += 8;
                continue;
            }
        }
        const uchar c = *from;
        if (c >= 0x20 && c != 0xC2 && c != 0xE2) {
            *to++ = char(c);
            ++from;
        } else if (c >= 0x09 && c <= 0x0D) {
            *to++ = ' ';
            ++from;
        } else if (c == 0xC2 && end - from >= 2 && from[1] == 0x85) {
            *to++ = ' ';
            from += 2;
        } else if (c == 0xE2 && end - from >= 3 && from[1] == 0x80 &&
                   (from[2] == 0xA8 || from[2] == 0xA9)) {
            *to++ = ' ';
            from += 3;
        } else {
            *to++ = char(c);
            ++from;
        }
    }
    return to;
}

bool LineFormat::showsAs(QStringView text, QStringView shown)
{
    if (text.size() != shown.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] != shown[i] && !(shown[i] == u' ' && breaksLine(text[i])))
            return false;
    return true;
}
