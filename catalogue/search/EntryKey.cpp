#include "EntryKey.h"

#include <TextRules.h>

QString EntryKey::of(QStringView text)
{
    const QStringView trimmed = TextRules::trimSpaces(text);
    // Nearly every text is ASCII, whose fold is A-Z to a-z: one pass.
    QString folded(trimmed.size(), Qt::Uninitialized);
    QChar* out = folded.data();
    for (const QChar c : trimmed) {
        const char16_t unit = c.unicode();
        if (unit >= 0x80)
            return trimmed.toString().toCaseFolded();
        *out++ = QChar(unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit);
    }
    return folded;
}

QString EntryKey::listName(ListKind list)
{
    return list == ListKind::Smiley ? QStringLiteral("smileys") : QStringLiteral("acronyms");
}
