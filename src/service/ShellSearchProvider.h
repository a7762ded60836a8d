#pragma once

#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class SearchService;

using ResultMetas = QList<QVariantMap>;

// The search service as a search provider of the desktop's overview
// (org.gnome.Shell.SearchProvider2): result ids for the typed terms, their
// texts and descriptions, and the text as "clipboardText" so that the shell
// itself copies it when the user picks a result.
class ShellSearchProvider : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")
public:
    static constexpr char ObjectPath[] = "/example/orvak/ZunoSmiley/SearchProvider";
    // The overview shows a few; the rest would be fetched for nothing.
    static constexpr qsizetype ResultLimit = 10;
    // The metas of at most this many ids a call, the rest left out: the
    // shell asks for the few it shows, and a reply must stay far below the
    // bus's message limit.
    static constexpr qsizetype MetasLimit = 100;

    explicit ShellSearchProvider(SearchService& service, QObject* parent = nullptr);

    static void registerTypes();

public Q_SLOTS:
    // The call itself comes last, out of the bus signature (releaseElsewhere).
    QStringList GetInitialResultSet(const QStringList& terms, const QDBusMessage& call);
    QStringList GetSubsearchResultSet(const QStringList& previousResults, const QStringList& terms,
                                      const QDBusMessage& call);
    ResultMetas GetResultMetas(const QStringList& identifiers, const QDBusMessage& call);
    void ActivateResult(const QString& identifier, const QStringList& terms, uint timestamp);
    void LaunchSearch(const QStringList& terms, uint timestamp);

private:
    // The terms as one query, as far as SearchIndex::bounded takes it.
    static QString queryOf(const QStringList& terms);
    QStringList resultSet(const QStringList& terms);
    // A call of a long list (400,000 ids) is freed on a pool thread once it
    // is answered: freeing its strings here would hold the next caller up
    // longer than the bus library took to read them.
    static constexpr qsizetype LongList = 1000;
    void releaseElsewhere(const QDBusMessage& call, qsizetype strings);

    SearchService& m_service;
    QList<QDBusMessage> m_released;
};
