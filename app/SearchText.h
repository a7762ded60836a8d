#pragma once

#include <QString>
#include <QStringView>

// Text as the list filter compares it: letter case folded and accents
// removed, so that "cafe" finds "Café" and "CLIN" finds "clin d'oeil".
class SearchText
{
public:
    // Appends the folded form of text to out.
    static void append(QStringView text, QString& out);
    static QString of(QStringView text);
};
