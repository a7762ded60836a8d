#include "SearchText.h"

#include <array>

namespace {

// The Latin letters with accents, where nearly every accented letter a user
// types lies: each folded to its base letter once, in a table.
constexpr char16_t TableEnd = 0x0250;

const std::array<char16_t, TableEnd>& latinTable()
{
    static const std::array<char16_t, TableEnd> table = [] {
        std::array<char16_t, TableEnd> folded{};
        for (char16_t c = 0; c < TableEnd; ++c) {
            QChar base(c);
            const QString decomposition = base.decomposition();
            if (base.decompositionTag() == QChar::Canonical && !decomposition.isEmpty())
                base = decomposition.at(0);
            folded[c] = base.toCaseFolded().unicode();
        }
        return folded;
    }();
    return table;
}

} // namespace

void SearchText::append(QStringView text, QString& out)
{
    const auto& table = latinTable();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            out.append(QChar(u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u));
        else if (u < TableEnd)
            out.append(QChar(table[u]));
        else if (!c.isMark()) // a combining accent typed on its own
            out.append(c.toCaseFolded());
    }
}

QString SearchText::of(QStringView text)
{
    QString out;
    out.reserve(text.size());
    append(text, out);
    return out;
}
