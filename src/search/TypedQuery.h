#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// What the user typed, as the index looks for it: folded as far as a query
// reaches (SearchIndex::bounded), control characters as blanks, split into
// at most SearchIndex::MaxTypedWords words, and its smiley shape.
struct TypedQuery
{
    explicit TypedQuery(QStringView typed);

    QString folded;
    QStringView whole; // folded, blanks around it aside
    QList<QStringView> words;
    QString shape;        // of the whole typed text; null when it is no smiley
    quint32 shapeKey = 0; // EmoticonShape::hashOf(shape)
};
