#include "search/KeyText.h"

#include "search/TypoIndex.h"

bool KeyText::oneTypoFromAWordIn(QStringView text, QStringView typed)
{
    const qsizetype end = text.size();
    qsizetype i = 0;
    while (i < end) {
        while (i < end && !SearchFold::isWordUnit(text.at(i)))
            ++i;
        const qsizetype start = i;
        while (i < end && SearchFold::isWordUnit(text.at(i)))
            ++i;
        if (i > start && TypoIndex::oneTypoFromPrefix(typed, text.sliced(start, i - start)))
            return true;
    }
    return false;
}
