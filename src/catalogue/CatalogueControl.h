#pragma once

#include "catalogue/UserListReader.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <span>

class ZunoSmiley1;

// One built-in entry: its text, the localizer operation that describes it,
// named by a member pointer so that a misspelt operation fails the build, and
// the words people search it by, French and English alike (the search
// reads them; the description shown stays the localizer's).
struct CatalogueEntry
{
    QString (ZunoSmiley1::*describe)() const; // &ZunoSmiley1::ID_LST_WINK
    const char* text;                         // ";-)", plain ASCII
    const char* keywords;                     // "wink, clin d'œil", UTF-8, ", " between

    // Whether every entry of a table has its keywords (checked as the table
    // is compiled).
    static constexpr bool allHaveKeywords(std::span<const CatalogueEntry> table)
    {
        for (const CatalogueEntry& entry : table) {
            if (!entry.keywords || !*entry.keywords)
                return false;
        }
        return true;
    }
};

// The engine behind both catalogue controls, which differ only in their
// built-in table and in the event that reports an entry. It keeps the
// control's language and its own localizer, reports the built-in entries with
// their descriptions, and reads the user list files.
class CatalogueControl
{
public:
    // Receives one entry; answering false stops the load at once (the control
    // was destroyed by a handler of its event).
    using EntrySink =
        std::function<bool(const QString& text, const QString& description, qint16 isDefault)>;

    // A sink that raises event on control; when a handler of the event
    // destroys the control, the load stops.
    template <typename Control>
    static EntrySink reporter(Control* control,
                              void (Control::*event)(const QString&, const QString&, qint16))
    {
        return [control = QPointer<Control>(control),
                event](const QString& text, const QString& description, qint16 isDefault) {
            Q_EMIT(control.data()->*event)(text, description, isDefault);
            return !control.isNull();
        };
    }

    // The automation Boolean that the event carries.
    static constexpr qint16 BuiltInEntry = -1;
    static constexpr qint16 UserEntry = 0;

    // table must outlive the engine (the tables are static).
    explicit CatalogueControl(std::span<const CatalogueEntry> table);
    ~CatalogueControl();
    CatalogueControl(const CatalogueControl&) = delete;
    CatalogueControl& operator=(const CatalogueControl&) = delete;

    // Any value is kept as given; 1 gives French descriptions, any other value
    // English ones. A new engine holds 2.
    qint32 language() const { return m_language; }
    void setLanguage(qint32 language);

    // Reports every built-in entry, in table order, as a built-in entry.
    void loadTable(const EntrySink& sink) const;

    // Reports every entry of the user list file at path, in file order, as a
    // user entry; a missing or unreadable file reports nothing.
    static UserListReader::Result loadFile(const QString& path, const EntrySink& sink);

    // The keywords of the table's entries, by text.
    static QHash<QString, QStringList> keywords(std::span<const CatalogueEntry> table);

private:
    std::span<const CatalogueEntry> m_table;
    qint32 m_language = 2;
    std::unique_ptr<ZunoSmiley1> m_localizer;
};
