#pragma once

#include "lists/DuplicateRule.h"
#include "search/BilingualEntry.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

class QFileSystemWatcher;

// Both catalogue lists as the window shows them: the built-in entries, with
// their descriptions in both languages, then the user's entries from the two
// list files in the list folder, read through the catalogue controls. A user
// entry that repeats an earlier text of its list is left out by the window's
// own rule (DuplicateRule). The list files are followed and
// read again when they change; they are never written here.
class LauncherCatalogue : public QObject
{
    Q_OBJECT
public:
    static constexpr char SmileyFileName[] = "Smileys.smy";
    static constexpr char AcronymFileName[] = "Acronyms.acr";

    explicit LauncherCatalogue(const QString& listFolder, QObject* parent = nullptr);
    ~LauncherCatalogue() override;

    // Reads everything and starts following the list files.
    void load();
    // For a request: picks up list files that appeared where nothing could
    // be followed yet (a list folder made after the start).
    void catchUp();

    const QList<BilingualEntry>& entries() const { return m_entries; }
    // The entry an id names now, or null.
    const BilingualEntry* find(const QString& id) const;
    QString listFolder() const { return m_listFolder; }

Q_SIGNALS:
    // The entries were read again.
    void changed();

private:
    // One list's entries, each one's place by its text (an id names a text
    // exactly), and the texts taken so far by the window's rule.
    struct ListRows
    {
        QList<BilingualEntry> entries;
        QHash<QString, qsizetype> byText;
        DuplicateRule::LoadedTexts loaded;
        // Adds the entry unless it repeats one added before: the built-in
        // entries first, then the user's.
        bool add(const BilingualEntry& entry);
    };
    template <typename Control, typename Event>
    static void readFile(ListRows& rows, BilingualEntry::List list, Event event,
                         const QString& path);
    void loadBuiltIn();
    void loadUserEntries();
    ListRows readList(int list) const;
    void follow();

    QString m_listFolder;
    std::array<QList<BilingualEntry>, 2> m_builtIn;
    // The smileys, then the acronyms from m_acronymStart.
    QList<BilingualEntry> m_entries;
    qsizetype m_acronymStart = 0;
    std::array<QHash<QString, qsizetype>, 2> m_byText;
    QFileSystemWatcher* m_watcher = nullptr;
    // A replace shows as several changes in a row; they are read once.
    QTimer m_settle;
    bool m_followsFolder = false;
};
