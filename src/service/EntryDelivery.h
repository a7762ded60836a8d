#pragma once

#include <QString>

// Hands an entry's text on from a service that has no window and no display
// connection of its own: to the desktop's clipboard history where it runs
// (it keeps the text after the service ends), else to a helper process that
// owns the clipboard and leaves the text with the program's clipboard keeper;
// typing goes through the same helper; the catalogue's window is the
// catalogue program itself.
class EntryDelivery
{
public:
    struct Programs
    {
        QString helper;    // zuno-insert-text
        QString catalogue; // ZunoSmiley
    };

    explicit EntryDelivery(Programs programs)
        : m_programs(std::move(programs))
    {}

    // The programs of the installation or build tree whose search service is
    // in serviceFolder.
    static Programs find(const QString& serviceFolder);

    bool copy(const QString& text) const;
    // The text to the desktop's clipboard history, where one runs; false
    // where none does or it refused.
    static bool toClipboardHistory(const QString& text);
    bool type(const QString& text) const;
    bool openWindow(const QString& terms) const;

private:
    Programs m_programs;
};
