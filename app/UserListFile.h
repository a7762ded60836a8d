#pragma once

#include <QList>
#include <QString>

// A user list file ("Smileys.smy", "Acronyms.acr"): one line per user entry,
// the text and the description each between double quotes, a comma between
// them and CR LF after every line, nothing escaped. Written in UTF-8; the
// catalogue controls read it back.
class UserListFile
{
public:
    struct Record
    {
        QString text;
        QString description;
    };

    // The bytes of the file for these records.
    static QByteArray format(const QList<Record>& records);

    // Replaces the file atomically: the previous file stays whole unless the
    // new one was written completely. Creates a missing folder. On failure
    // answers false and the reason in errorString.
    static bool save(const QString& path, const QList<Record>& records,
                     QString* errorString = nullptr);
};
