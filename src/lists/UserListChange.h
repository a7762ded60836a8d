#pragma once

#include "lists/UserListFormat.h"

#include <QList>
#include <QString>

#include <optional>

// One change the user made to a list's own entries (an Add, an Edit, a
// Remove), kept until the list file holds it. It is applied to the file as
// it is on disk at that moment, so that what another window or program put
// there meanwhile stays: only this change is made, and the duplicate rule
// of Add and Edit holds in the result.
class UserListChange
{
public:
    using Entries = QList<UserListFormat::Entry>;

    static UserListChange add(const QString& text, const QString& description);
    // The entry that had the text oldText now has text and description.
    static UserListChange edit(const QString& oldText, const QString& text,
                               const QString& description);
    static UserListChange remove(const QString& text);

    // An Add whose text another entry already has is dropped. An Edit whose
    // entry has gone becomes an Add; an Edit to a text another entry has is
    // dropped. A Remove of an entry already gone does nothing.
    void applyTo(Entries& entries) const;
    bool isAdd() const { return m_kind == Kind::Add; }
    static void applyAll(Entries& entries, const QList<UserListChange>& changes);

    // What the change does to an entry's text, for what follows entries by
    // their text (favourites, usage): an Edit renames oldText to text, a
    // Remove takes oldText away.
    bool isEdit() const { return m_kind == Kind::Edit; }
    bool isRemove() const { return m_kind == Kind::Remove; }
    const QString& oldText() const { return m_oldText; }
    const QString& text() const { return m_text; }
    const QString& description() const { return m_description; }

    // The description an Edit or a Remove took away, where the list knew it
    // (an Edit of an entry gone meanwhile has none): what an undo puts back.
    UserListChange withOldDescription(const std::optional<QString>& description) const;
    const std::optional<QString>& oldDescription() const { return m_oldDescription; }

private:
    enum class Kind { Add, Edit, Remove };
    UserListChange(Kind kind, const QString& oldText, const QString& text,
                   const QString& description);

    Kind m_kind;
    QString m_oldText; // Edit and Remove: the entry's text before the change
    QString m_text;
    QString m_description;
    std::optional<QString> m_oldDescription;
};
