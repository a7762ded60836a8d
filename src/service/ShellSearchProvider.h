#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class SearchService;

// The search service as a search provider of the desktop's overview
// (org.gnome.Shell.SearchProvider2): result ids for the typed terms, their
// texts and descriptions, and the text as "clipboardText" so that the shell
// itself copies it when the user picks a result. What a call asks arrives
// here already bounded (OverviewBus); this runs on the service's thread.
class ShellSearchProvider
{
public:
    static constexpr char Interface[] = "org.gnome.Shell.SearchProvider2";
    static constexpr char ObjectPath[] = "/example/orvak/ZunoSmiley/SearchProvider";
    // The overview shows a few; the rest would be fetched for nothing.
    static constexpr qsizetype ResultLimit = 10;
    // The metas of at most this many ids a call, the rest left out: the
    // shell asks for the few it shows, and a reply must stay far below the
    // bus's message limit.
    static constexpr qsizetype MetasLimit = 100;

    // One result as the shell shows it, each field a string of its a{sv}.
    struct Meta
    {
        QString id;
        QString name;
        QString description;
        QString clipboardText;
        QString gicon;
    };

    explicit ShellSearchProvider(SearchService& service);

    // The terms as one query, as far as SearchIndex::bounded takes it.
    static QString queryOf(const QStringList& terms);

    // The ids of the best entries for the terms.
    QStringList resultSet(const QStringList& terms);
    // The metas of the first MetasLimit ids; an id of no entry (removed
    // since, or forged) is left out, as the shell expects.
    QList<Meta> metas(const QStringList& ids);
    // The shell has copied clipboardText itself; the use is what is left.
    void activate(const QString& id);
    void launchSearch(const QStringList& terms);

private:
    SearchService& m_service;
};
