#include "search/EntryKey.h"

#include "lists/DuplicateRule.h"

QString EntryKey::of(QStringView text)
{
    return DuplicateRule::bareKey(text);
}

QString EntryKey::listName(ListKind list)
{
    return list == ListKind::Smiley ? QStringLiteral("smileys") : QStringLiteral("acronyms");
}
