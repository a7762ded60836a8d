#pragma once

#include "search/EntryRanking.h"
#include "service/EntryDelivery.h"
#include "service/LauncherCatalogue.h"

#include <QObject>
#include <QTimer>

// What the desktop's search hosts ask of the catalogue, whatever their
// interface: the ranked entries of a query, an entry by its id, and the
// entry's text copied or typed. Every request keeps the service alive; after
// the idle time without one the service ends, to be started again by the
// session bus at the next.
class SearchService : public QObject
{
    Q_OBJECT
public:
    struct Found
    {
        const BilingualEntry* entry;
        EntryRanking::Hit hit;
    };

    // A service nobody asks costs the session nothing.
    static constexpr int DefaultIdleMs = 60 * 1000;
    // ZUNO_SEARCH_IDLE_MS sets the idle time, in milliseconds (tests).
    static int idleTimeFromEnvironment();

    SearchService(const QString& listFolder, const EntryDelivery::Programs& programs,
                  QObject* parent = nullptr);

    void load();

    // At most limit entries of query, best first.
    QList<Found> search(const QString& query, qsizetype limit);
    const BilingualEntry* find(const QString& id);

    // The entry's text on the clipboard, kept there once the service ends.
    bool copy(const QString& id);
    // The entry's text typed into the window that has the focus next.
    bool insert(const QString& id);
    // The entry was picked where the host copied it itself.
    void recordUse(const QString& id);
    // The catalogue's window, its filter filled with terms.
    void openWindow(const QString& terms);

    // The language of the desktop, for descriptions and labels: 1 French,
    // 2 English.
    static int desktopLanguage();

private:
    // Marks a request: the idle time starts again.
    void touch();

    LauncherCatalogue m_catalogue;
    EntryRanking m_ranking;
    EntryDelivery m_delivery;
    QTimer m_idle;
    bool m_memoryGivenBack = false;
};
