#include "search/EntryKey.h"

#include "base/TextRules.h"

QString EntryKey::of(QStringView text)
{
    return TextRules::bareKey(text);
}

QString EntryKey::listName(ListKind list)
{
    return list == ListKind::Smiley ? QStringLiteral("smileys") : QStringLiteral("acronyms");
}
