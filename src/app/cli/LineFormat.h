#pragma once

#include "search/BilingualEntry.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

// How a line of a listing shows an entry: the text, a tab, the description
// in the listing's language, a tab, the other language's, a tab, the
// keywords separated by ", ". Tabs and line breaks in a field become
// blanks, so that a line is always one entry and its fields split at tabs.
class LineFormat
{
public:
    // Whether c breaks a line or a field: U+0009 to U+000D, U+0085, U+2028, U+2029.
    static bool breaksLine(QChar c);
    static void appendField(QString& out, QStringView text);
    static void appendKeywords(QString& out, const QStringList& keywords);
    // The entry's whole line, its end included (language: 1 French, else English).
    static void appendLine(QString& out, const BilingualEntry& entry, int language);
    // Copies a field of valid UTF-8 as appendField shows its text, in
    // UTF-8 (U+0085 as C2 85, U+2028 and U+2029 as E2 80 A8 and E2 80 A9
    // among the characters that become a blank); the end of the copy.
    static char* copyField(char* to, QByteArrayView field);
    // Whether text shows as shown once its tabs and line breaks are blanks.
    static bool showsAs(QStringView text, QStringView shown);
};
