#include "EntryKey.h"

#include "DuplicateRule.h"

QString EntryKey::of(QStringView text)
{
    return DuplicateRule::bareKey(text);
}

QString EntryKey::listName(ListKind list)
{
    return list == ListKind::Smiley ? QStringLiteral("smileys") : QStringLiteral("acronyms");
}
