#pragma once

#include "app/models/CatalogueListModel.h"
#include "base/AtomicFileWriter.h"
#include "search/EntryKey.h"

#include <QCache>
#include <QHash>
#include <QObject>
#include <QSet>

class FavouriteStore;
class KeywordStore;
class QFileSystemWatcher;
class QTimer;
class UsageStore;

// The user's use of the catalogue's entries, both lists: the favourites and
// the user's own keywords, which are the user's data and kept beside the
// list files (so they travel with them), and how often and how lately each
// entry was used, which is state and kept in the state folder. The lists
// rank by it and find entries by the keywords. An entry is known by its text
// under the lists' duplicate rule, so an Edit carries its mark, keywords and
// use along and a Remove takes them away.
class EntryUse : public QObject
{
    Q_OBJECT
public:
    // The favourites beside the lists in listFolder; the usage in the state
    // folder (UsageStore::defaultPath), or at usagePath.
    explicit EntryUse(const QString& listFolder, QObject* parent = nullptr);
    EntryUse(const QString& listFolder, const QString& usagePath, QObject* parent = nullptr);
    ~EntryUse() override;

    static ListKind listOf(CatalogueListModel::Kind kind);

    QString favouritesPath() const;
    bool isFavourite(CatalogueListModel::Kind kind, QStringView text) const;
    QSet<QString> favourites(CatalogueListModel::Kind kind) const;
    QHash<QString, double> scores(CatalogueListModel::Kind kind) const;
    QString keywordsPath() const;
    // The user's keywords of an entry; none for most, and at once for a list
    // without any.
    QStringList keywords(CatalogueListModel::Kind kind, QStringView text) const;
    // The entry's keywords become these (none takes them away); they hold
    // for this run even when their file could not be written (the answer
    // says why).
    AtomicFileWriter::Result setKeywords(CatalogueListModel::Kind kind, const QString& text,
                                         const QStringList& keywords);

    // Marks or unmarks; the mark holds for this run even when its file could
    // not be written (the answer says why).
    AtomicFileWriter::Result toggleFavourite(CatalogueListModel::Kind kind, const QString& text);
    // A copy, a drag out, a pick.
    void recordUse(CatalogueListModel::Kind kind, const QString& text);
    void renamed(CatalogueListModel::Kind kind, const QString& oldText, const QString& text);
    // A removed entry loses its mark, keywords and use; they are kept for
    // this run, and an entry added again (the undo of its Remove) gets them
    // back.
    void removed(CatalogueListModel::Kind kind, const QString& text);
    void added(CatalogueListModel::Kind kind, const QString& text);

Q_SIGNALS:
    // The favourites or the scores changed (here, or in another window).
    void changed();
    // The user's keywords changed (here, or in another window or program).
    void keywordsChanged();

private:
    // The usage and keyword files are read when first needed (a filter
    // opens, an entry is used or edited), not at every start.
    UsageStore* usage() const;
    KeywordStore* keywordStore() const;
    // The keyword file written by another window or program is read again
    // once its folder's or its own events settle, as the lists' files are.
    void followKeywords();
    static constexpr int SettleMilliseconds = 150;

    FavouriteStore* m_favourites;
    QString m_keywordsPath;
    mutable KeywordStore* m_keywords = nullptr;
    QFileSystemWatcher* m_keywordWatch = nullptr;
    QTimer* m_keywordSettle = nullptr;
    QString m_usagePath;
    mutable UsageStore* m_usage = nullptr;
    // What the latest removals took, by list and key; the oldest go first.
    struct Taken
    {
        bool favourite = false;
        double score = 0;
        QStringList keywords;
    };
    QCache<QString, Taken> m_taken{100};
};
