#include "search/TypedQuery.h"

#include "search/EmoticonShape.h"
#include "search/SearchFold.h"
#include "search/SearchIndex.h"

#include "base/TextRules.h"

TypedQuery::TypedQuery(QStringView typed)
    : folded(SearchFold::of(SearchIndex::bounded(typed)))
{
    for (QChar& c : folded) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    whole = TextRules::trimSpaces(folded);
    for (const QStringView word : whole.tokenize(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (words.size() == SearchIndex::MaxTypedWords)
            break;
        words.append(word);
    }
    shape = EmoticonShape::of(whole);
    shapeKey = EmoticonShape::hashOf(shape);
}
