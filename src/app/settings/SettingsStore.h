#pragma once

#include "base/AtomicFileWriter.h"

#include <QString>

// The program's persistent settings, in the per-user settings store:
// application "ZunoSmileys", group "Configuration". The interface language,
// key "Langue", value the decimal text of the language code; and what the
// user answered when the desktop was asked for the pick's key, key
// "PickShortcut" (app/PickShortcut). Each read in one place and written in
// one place.
//
// A store the program cannot use (no regular file, larger than MaxFileSize,
// not parseable, or holding a typed value that the settings library would
// decode) is set aside beside itself as "ZunoSmileys.conf.damaged-<date>" at
// the first read, once; the defaults apply and the next write makes a sound
// store.
class SettingsStore
{
public:
    static const QString Application;     // "ZunoSmileys"
    static const QString Configuration;   // "Configuration"
    static const QString LanguageKey;     // "Langue"
    static const QString PickShortcutKey; // "PickShortcut"
    // Far more than the program ever writes there.
    static constexpr qint64 MaxFileSize = 1 << 20;

    // A value of application "ZunoSmileys", as plain text; defaultValue when
    // it is absent or the store cannot be used.
    static QString read(const QString& key, const QString& defaultValue, const QString& section);
    // Writes a value and makes sure it reached the store; the reason when it
    // did not. The store is written only as a regular file, merged with what
    // another process wrote there meanwhile.
    static AtomicFileWriter::Result write(const QString& key, const QString& value,
                                          const QString& section);

    // The stored language: 1 (French) when absent or not a number, 2
    // (English) for any other number.
    static qint16 language();
    // The language code of a stored value, by the same rule.
    static qint16 languageFromText(const QString& stored);
    static AtomicFileWriter::Result setLanguage(qint16 language);

    // Where the store lives, for messages and tests.
    static QString fileName();
};
