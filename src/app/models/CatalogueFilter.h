#pragma once

#include "search/SearchIndex.h"

#include <QAbstractProxyModel>
#include <QHash>
#include <QList>
#include <QPersistentModelIndex>
#include <QSet>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class CatalogueListModel;

// The sorted and filtered view of one catalogue list: one proxy over the
// list model, in the manner of QSortFilterProxyModel. With no words typed
// every row is shown, in the list's order or sorted by a column (letter case
// aside, in no locale). With words typed, the rows that match them come
// ranked best first (SearchIndex: the text equal to what was typed, then
// starting with it, then a description word starting with each word, then
// each word inside, then one typo away; within each, favourites, then the
// most used, then list order); a built-in row matches by its description in
// the other language too, and every row by its keywords. In pick mode the empty filter shows the
// favourites, then the most used, then the rest.
class CatalogueFilter : public QAbstractProxyModel
{
    Q_OBJECT
public:
    explicit CatalogueFilter(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    // The list's rows are all alike: answered here, without a trip through
    // the list, as a view asks for every row each time it lays them out.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Column -1 gives the list's own order back.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The built-in rows' descriptions in the other language, by source row
    // (the built-in rows come first, in table order).
    void setOtherDescriptions(const QStringList& descriptions);
    // Where the rows' keywords come from (SearchEntry::keywords), by text and
    // whether the row is built in; asked for every row when the index is made.
    using KeywordSource = std::function<QStringList(const QString& text, bool builtIn)>;
    void setKeywordSource(KeywordSource source);
    const KeywordSource& keywordSource() const { return m_keywordSource; }
    // The source answers otherwise now: the index is made again when needed.
    void keywordsChanged();

    // The words typed; blanks separate them.
    void setFilterWords(const QString& text);
    bool isFiltering() const { return !m_words.isEmpty(); }
    // Pick mode: the empty filter shows the rows in the pick's order.
    void setPickMode(bool pick);
    // Where the user's use of the rows comes from, by entry key (EntryKey):
    // the favourites and the usage scores, which order the rows within a
    // match. Asked when the index is made, and again at useChanged().
    using UseSource =
        std::function<void(QSet<QString>* favourites, QHash<QString, double>* scores)>;
    void setUseSource(UseSource source) { m_useSource = std::move(source); }
    void useChanged();
    // Makes the search's index now (the filter bar opens), so that the first
    // keystroke does not wait for it.
    void prepare() const;
    // Gives the index back (the bar closes).
    void forgetKeys() const;

    // While held, runs of rows appended to the list (an import's slices) are
    // kept out of view, with those before them that are still held, until
    // they are as many as the rows already in or showHeldRows(), whether the
    // filter ranks or not: every run shown costs the views a layout of every
    // row shown, so a long import shows its rows in doubling runs. While
    // words rank, each run is ranked alone as it comes, and a showing merges
    // the held rows into the ranking shown: no showing ranks every row. Any
    // other change of the list, the filter or the order shows them first.
    void holdRuns(bool hold) { m_holdRuns = hold; }
    void showHeldRows();

private:
    // The rows a ranking by words shows, by match class (in its order): the
    // used rows by their use, then the others in list order. A run of rows
    // after every other ranks alone and joins them class by class.
    static constexpr int Classes = int(MatchClass::KeywordTypo) + 1;
    struct ClassRows
    {
        QList<SearchHit> used;
        QList<int> others;
    };
    using Ranking = std::array<ClassRows, Classes>;
    static void addHits(Ranking& ranking, const QList<SearchHit>& hits);
    static bool usedBefore(const SearchHit& a, const SearchHit& b);
    void rankRun(int first, int last);
    void showRankedRuns();
    // m_shown from m_ranking; m_proxyRow from m_shown.
    void showRanking();
    void showShown();

    bool ranked() const { return !m_words.isEmpty() || m_pick; }
    bool before(int a, int b) const;
    void sortAll();
    void showAccepted();
    // Around a change of the shown rows: views keep their selection and
    // current entry where those are still shown.
    void beginRelayout();
    void endRelayout();
    SearchEntry searchEntry(int row) const;
    // The rows m_index and m_segments hold.
    int indexedRows() const;

    void addToOrder(int first, int last);
    void insertOne(int sourceRow);
    void removeOne(int sourceRow);
    void sourceRowsInserted(int first, int last);
    void sourceRowsRemoved(int first, int last);

    CatalogueListModel* m_list = nullptr;
    // The source's columns, which never change: a view's layout asks for an
    // index of every row, and a call through the source each time shows.
    int m_columns = 0;
    // Rows at the list's end not in the order yet (holdRuns).
    int m_held = 0;
    bool m_holdRuns = false;
    bool m_holding = false; // the run being inserted is held
    // The held runs are in the index and ranked, in m_heldRanking.
    bool m_runsRanked = false;
    Ranking m_ranking;     // the rows shown, while words rank
    Ranking m_heldRanking; // the held rows, while m_runsRanked
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QList<int> m_order;    // every source row, in the sort's order
    QList<int> m_shown;    // the source rows shown, in that order
    QList<int> m_proxyRow; // by source row: its row here, or -1
    QStringList m_otherDescriptions;
    QStringList m_words;
    QString m_typed;
    bool m_pick = false;
    UseSource m_useSource;
    KeywordSource m_keywordSource;
    QModelIndexList m_savedProxy;
    QList<QPersistentModelIndex> m_savedSource;
    // The search over every row, made when a filter first needs it and
    // forgotten when the filter ends; kept in step with rows added at the end
    // and single rows removed, made again after anything else.
    mutable SearchIndex m_index;
    mutable bool m_indexed = false;
    // The rows an import added while words ranked, after m_index's, in
    // segments made as they came: folding them into m_index would make its
    // whole word index again at the next keystroke.
    struct Segment
    {
        int first; // its first row
        std::unique_ptr<SearchIndex> index;
    };
    static constexpr int SegmentRows = 16384;
    mutable std::vector<Segment> m_segments;
    // The use the index was given, for the rankings of runs alone.
    mutable QSet<QString> m_favourites;
    mutable QHash<QString, double> m_scores;
};
