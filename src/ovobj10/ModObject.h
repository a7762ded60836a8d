#pragma once

#include <QString>
#include <QtGlobal>

class QObject;

// The object library's module state and procedures. The settings are one copy
// per thread: every OVObject on a thread reads and writes the same copy.
namespace ModObject {

struct Settings
{
    qint32 gLanguage = 1;
    QString gFontName = QStringLiteral("Arial");
};

Settings& settings();

// Gives a form and every control on it the font name `fontName`, where it
// differs; size, weight and style stay. Does nothing for an object that is not
// a form (a top-level widget) or for an empty name.
void applyFontName(QObject* frm, const QString& fontName);

// applyFontName with the thread's shared font name.
void ApplyFontToForm(QObject* frm);

// Throws the library's error when no window can be made on this thread: no
// QApplication, or not its thread.
void requireWindowSystem();

// Throws the library's error when there is no QGuiApplication to ask for
// fonts or screens.
void requireGuiApplication();

// The text of a French/English pair by the thread's language: French for 1,
// English for any other value.
QString byLanguage(const char* french, const char* english);

} // namespace ModObject
