#include "search/SearchFold.h"

#include "base/TextRules.h"

#include <array>

namespace {

// Letters that hold two, or a stroke no decomposition removes, as a user
// types them on a keyboard without them. Applied after the case fold.
QStringView spelledOut(char32_t folded)
{
    switch (folded) {
    case U'ß':
        return u"ss";
    case U'œ':
        return u"oe";
    case U'æ':
        return u"ae";
    case U'ø':
        return u"o";
    case U'đ':
    case U'ð':
        return u"d";
    case U'ł':
        return u"l";
    case U'ı':
        return u"i";
    case U'ħ':
        return u"h";
    case U'ŧ':
        return u"t";
    case U'þ':
        return u"th";
    default:
        return {};
    }
}

// The full fold of one code point: its compatibility decomposition, all
// levels of it, without the marks, each part case folded and spelled out.
void foldCodePoint(char32_t c, QString& out)
{
    if (QChar::decompositionTag(c) != QChar::NoDecomposition) {
        const QString parts = QChar::decomposition(c);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            char32_t part = parts.at(i).unicode();
            if (QChar::isHighSurrogate(part) && i + 1 < parts.size() &&
                parts.at(i + 1).isLowSurrogate()) {
                part = QChar::surrogateToUcs4(parts.at(i), parts.at(i + 1));
                ++i;
            }
            foldCodePoint(part, out);
        }
        return;
    }
    if (QChar::isMark(c))
        return;
    const char32_t folded = QChar::toCaseFolded(c);
    if (const QStringView spelled = spelledOut(folded); !spelled.isEmpty()) {
        out.append(spelled);
        return;
    }
    if (QChar::requiresSurrogates(folded)) {
        out.append(QChar(QChar::highSurrogate(folded)));
        out.append(QChar(QChar::lowSurrogate(folded)));
    } else {
        out.append(QChar(char16_t(folded)));
    }
}

// The Latin letters, where nearly every non-ASCII letter of a list lies:
// each one's fold made once, at most three units long.
constexpr char16_t TableEnd = 0x0250;

struct TableFold
{
    std::array<char16_t, 3> units{};
    quint8 length = 0;
};

const std::array<TableFold, TableEnd>& latinTable()
{
    static const std::array<TableFold, TableEnd> table = [] {
        std::array<TableFold, TableEnd> folds{};
        QString out;
        for (char16_t c = 0; c < TableEnd; ++c) {
            out.clear();
            foldCodePoint(c, out);
            TableFold& fold = folds[c];
            fold.length = quint8(std::min<qsizetype>(out.size(), fold.units.size()));
            for (int i = 0; i < fold.length; ++i)
                fold.units[i] = out.at(i).unicode();
        }
        return folds;
    }();
    return table;
}

} // namespace

void SearchFold::append(QStringView text, QString& out)
{
    const qsizetype size = text.size();
    const QChar* units = text.data();
    qsizetype i = 0;
    // ASCII in one pass, straight into the result's room.
    {
        const qsizetype start = out.size();
        out.resize(start + size);
        QChar* target = out.data() + start;
        for (; i < size; ++i) {
            const char16_t u = units[i].unicode();
            if (u >= 0x80)
                break;
            target[i] = QChar(TextRules::foldAscii(u));
        }
        out.resize(start + i);
    }
    if (i == size)
        return;
    const auto& table = latinTable();
    for (; i < size; ++i) {
        const char16_t u = units[i].unicode();
        if (u < 0x80) {
            out.append(QChar(TextRules::foldAscii(u)));
        } else if (u < TableEnd) {
            const TableFold& fold = table[u];
            out.append(reinterpret_cast<const QChar*>(fold.units.data()), fold.length);
        } else if (QChar::isHighSurrogate(u) && i + 1 < size && units[i + 1].isLowSurrogate()) {
            foldCodePoint(QChar::surrogateToUcs4(units[i], units[i + 1]), out);
            ++i;
        } else {
            foldCodePoint(u, out);
        }
    }
}

QString SearchFold::of(QStringView text)
{
    QString out;
    out.reserve(text.size());
    append(text, out);
    return out;
}
