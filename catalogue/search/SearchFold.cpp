#include "SearchFold.h"

void SearchFold::append(QStringView text, QString& out)
{
    out.append(text.toString().toCaseFolded());
}

QString SearchFold::of(QStringView text)
{
    QString out;
    append(text, out);
    return out;
}
