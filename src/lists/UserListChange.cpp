#include "lists/UserListChange.h"

#include "lists/DuplicateRule.h"

#include <QSet>

namespace {

// The first entry of exactly this text; an entry is known by its text.
qsizetype indexOf(const UserListChange::Entries& entries, const QString& text)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries.at(i).text == text)
            return i;
    }
    return -1;
}

// The duplicate rule of Add and Edit on the entries of a file.
bool taken(const UserListChange::Entries& entries, const QString& text, qsizetype except)
{
    return DuplicateRule::findRepeat(
               text, entries.size(),
               [&entries](qsizetype i) { return QStringView(entries.at(i).text); }, except) >= 0;
}

} // namespace

UserListChange::UserListChange(Kind kind, const QString& oldText, const QString& text,
                               const QString& description)
    : m_kind(kind)
    , m_oldText(oldText)
    , m_text(text)
    , m_description(description)
{}

UserListChange UserListChange::withOldDescription(const std::optional<QString>& description) const
{
    UserListChange change = *this;
    change.m_oldDescription = description;
    return change;
}

UserListChange UserListChange::add(const QString& text, const QString& description)
{
    return {Kind::Add, {}, text, description};
}

UserListChange UserListChange::edit(const QString& oldText, const QString& text,
                                    const QString& description)
{
    return {Kind::Edit, oldText, text, description};
}

UserListChange UserListChange::remove(const QString& text)
{
    return {Kind::Remove, text, {}, {}};
}

void UserListChange::applyTo(Entries& entries) const
{
    const qsizetype index = m_kind == Kind::Add ? -1 : indexOf(entries, m_oldText);
    switch (m_kind) {
    case Kind::Remove:
        if (index >= 0)
            entries.removeAt(index);
        return;
    case Kind::Edit:
        if (index >= 0) {
            if (!taken(entries, m_text, index))
                entries[index] = {m_text, m_description};
            return;
        }
        [[fallthrough]]; // its entry has gone: it comes back as an Add
    case Kind::Add:
        if (!taken(entries, m_text, -1))
            entries.append({m_text, m_description});
        return;
    }
}

void UserListChange::applyAll(Entries& entries, const QList<UserListChange>& changes)
{
    // A run of Adds (the import of a list file brings thousands) meets the
    // duplicate rule through one index of the texts, built once for the run,
    // instead of a look at every entry for each Add.
    for (qsizetype i = 0; i < changes.size();) {
        if (changes.at(i).m_kind != Kind::Add || i + 1 == changes.size() ||
            changes.at(i + 1).m_kind != Kind::Add) {
            changes.at(i++).applyTo(entries);
            continue;
        }
        QSet<QString> keys;
        keys.reserve(entries.size() + changes.size() - i);
        for (const UserListFormat::Entry& entry : std::as_const(entries))
            keys.insert(DuplicateRule::bareKey(entry.text));
        for (; i < changes.size() && changes.at(i).m_kind == Kind::Add; ++i) {
            const UserListChange& add = changes.at(i);
            const qsizetype before = keys.size();
            keys.insert(DuplicateRule::bareKey(add.m_text));
            if (keys.size() != before)
                entries.append({add.m_text, add.m_description});
        }
    }
}
