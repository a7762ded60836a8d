#include "app/cli/ListLines.h"

#include <algorithm>

bool ListLines::Held::showsFirst(const Held& a, const Held& b)
{
    if (SearchUse::before(a.use, b.use))
        return true;
    if (SearchUse::before(b.use, a.use))
        return false;
    return a.list != b.list ? a.list < b.list : a.place < b.place;
}

qsizetype ListLines::end(qsizetype place) const
{
    return place + 1 < qsizetype(begins.size()) ? begin(place + 1) : bytes.size();
}

QStringView ListLines::textAt(qsizetype place, const UserListReader::FieldDecoder& decoder,
                              QString& buffer) const
{
    if (place < builtInTexts.size())
        return builtInTexts[place];
    const auto found = shownOtherwise.constFind(place);
    if (found != shownOtherwise.cend())
        return *found;
    // The line shows the text in UTF-8: the bytes of a valid UTF-8 line as
    // they were, or the decoded text encoded.
    const QByteArrayView line =
        QByteArrayView(bytes).sliced(begin(place), end(place) - begin(place));
    decoder.decodeInto(buffer, line.first(line.indexOf('\t')), true);
    return buffer;
}

void ListLines::appendBytes(QList<QByteArrayView>& parts, qsizetype begin, qsizetype end) const
{
    const QByteArrayView all(bytes);
    auto insertion =
        std::lower_bound(insertions.cbegin(), insertions.cend(), begin,
                         [](const Insertion& each, qsizetype at) { return each.at < at; });
    for (; insertion != insertions.cend() && insertion->at < end; ++insertion) {
        if (insertion->at > begin)
            parts.append(all.sliced(begin, insertion->at - begin));
        parts.append(insertion->text);
        begin = insertion->at;
    }
    if (end > begin)
        parts.append(all.sliced(begin, end - begin));
}
