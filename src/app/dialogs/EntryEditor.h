#pragma once

#include "lists/UserListFormat.h"

#include <functional>
#include <optional>

class CatalogueListModel;
class QWidget;
class ZunoSmiley1;

// One Add or Edit through the entry dialog: a fresh dialog, titled for the
// list's kind, that keeps OK disabled while the text repeats an entry of the
// list (and names it). When the list does not take what was confirmed
// (another window took the text meanwhile), the dialog comes back with what
// was typed, saying why, until the list takes it or the user gives up.
class EntryEditor
{
public:
    // Puts a confirmed entry in the list; false when the list refuses it.
    using Accept = std::function<bool(const QString& text, const QString& description)>;

    EntryEditor(ZunoSmiley1& localizer, const CatalogueListModel& model, QWidget* owner);

    // Add without an entry, Edit of the entry given (known by its text: the
    // list may follow its file while the dialog is open, and the entry's row
    // may move or go). True when the list took what was confirmed.
    bool run(const std::optional<UserListFormat::Entry>& editing, const Accept& accept);

private:
    ZunoSmiley1& m_localizer;
    const CatalogueListModel& m_model;
    QWidget* m_owner;
};
