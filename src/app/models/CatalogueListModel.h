#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QSet>
#include <QString>

#include "lists/DuplicateIndex.h"
#include "lists/ListImportJob.h"
#include "lists/UserListFormat.h"

// One catalogue list: the smileys or the acronyms. The rows are the only
// store of the entries. Each row holds the entry text, its description and
// its origin: built in ("Table", never saved, edited or removed) or the
// user's own ("File", saved to the user list file). The texts of all rows lie
// in one buffer, so that a long list costs its characters and a few bytes a
// row rather than two strings a row. Beside the rows the model keeps the
// duplicate rule's index of the rows' texts (DuplicateIndex, no copy of a
// text), so that the duplicate test of a load stays cheap however long the
// list grows.
class CatalogueListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum class Kind { Smileys, Acronyms };
    enum class Origin { Table, File };
    enum Column { TextColumn = 0, DescriptionColumn = 1, ColumnCount = 2 };
    // A cell's tooltip longer than this wraps.
    static constexpr int ShortTipLength = 80;
    enum Role {
        TextRole = Qt::UserRole + 1, // the entry text, whichever column
        DescriptionRole,
        TagRole,     // "Table" or "File"
        IconKeyRole, // "Smiley", "Acronym", "Smiley2" or "Acronym2"
    };

    struct Entry
    {
        QString text;
        QString description;
        Origin origin = Origin::Table;
    };

    // The flags of every row.
    static constexpr Qt::ItemFlags RowFlags =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;

    explicit CatalogueListModel(Kind kind, QObject* parent = nullptr);

    Kind kind() const { return m_kind; }

    // The header texts of the two columns.
    void setHeaders(const QString& text, const QString& description);

    // The small icons by key ("Smiley", "Smiley2", ...).
    void setIcons(const QHash<QString, QIcon>& icons);
    // The user's favourites by entry key (EntryKey): a favourite shows a star
    // beside its icon (AppIcons::withMarkPlace), and screen readers hear
    // label as its state.
    void setFavourites(const QSet<QString>& keys, const QString& label);
    bool isFavourite(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;
    QStringList mimeTypes() const override;
    // The entry text alone as text/plain: what a drag carries out.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    // A row as a whole (a copy of its texts).
    Entry entry(int row) const;
    // A row's parts in place, valid until the list next changes.
    QStringView text(int row) const;
    QStringView description(int row) const;
    Origin origin(int row) const { return m_rows.at(row).user ? Origin::File : Origin::Table; }
    // The user's rows follow the built-in ones (loads and Add append them):
    // the first row after the last built-in one.
    int firstUserRow() const;

    void append(const Entry& entry);
    // Entries appended as one run of rows: the views and the filter see one
    // insertion however many there are (an import).
    void appendRun(const QList<Entry>& entries);
    // An entry a load reports: appended unless the load's test
    // (DuplicateRule) finds a row in its way. A text without spaces around
    // it costs one case fold and one look-up. True when appended.
    bool appendLoaded(const Entry& entry);
    // Replaces the text and description of a row; its origin stays.
    void setEntry(int row, const QString& text, const QString& description);
    // Empties the list; the room reserved for its rows stays, so that a
    // rebuild does not grow it again.
    void clear();
    // Room for this many rows and their index, so that a load neither moves
    // the rows nor re-hashes the index as it grows.
    void reserve(qsizetype rows);
    // Gives back the room a load did not use.
    void squeeze();

    // While a bulk load is open the rows change without a signal per row;
    // closing it resets the views once. Loads may nest.
    void beginBulkLoad();
    void endBulkLoad();

    // Whether some row other than exceptRow has this text as it stands,
    // without regard to letter case.
    bool containsText(const QString& text, int exceptRow = -1) const;
    // The duplicate rule of Add and Edit (DuplicateRule::repeats): whether a
    // row other than exceptRow stands in the way of this text; exceptRow is
    // the row being edited.
    bool entryExists(const QString& text, int exceptRow = -1) const;
    // The row that makes entryExists true, or -1. Without such a row the
    // answer comes from the index alone, whatever the list's length.
    int existingRow(const QString& text, int exceptRow = -1) const;

    // The first user row of exactly this text, or -1: a user entry is known
    // by its text.
    int userRow(QStringView text) const;

    // The texts of the rows as they are now, for a reader on another thread:
    // copies that share the rows' buffers (nothing is copied unless the list
    // changes while they are read).
    ListImportJob::ListTexts textSnapshot() const;

    // The user's entries in row order.
    QList<Entry> userEntries() const;

    // Puts these entries (user entries the list may hold, as their file has
    // them) in place of the user's entries; the built-in entries stay. Only
    // the rows that differ change, so the views keep their selection
    // elsewhere, and no row is copied but the new ones.
    void replaceUserEntries(const QList<UserListFormat::Entry>& entries);

    static QString tagText(Origin origin);
    QString iconKey(Origin origin) const;

private:
    // Where a row's text and its description (right after it) lie in
    // m_chars, and whose the row is.
    struct Row
    {
        qsizetype start = 0;
        qint32 textLength = 0;
        quint32 descriptionLength : 31 = 0;
        quint32 user : 1 = 0;
    };
    static bool spaced(QStringView text);
    // The index's view of the rows: a row's text.
    DuplicateIndex::TextAt textAt() const;
    Row store(const Entry& entry);
    // A row's texts are no longer in use (it goes or changes).
    void forgetChars(const Row& row);
    void compactChars();

    Kind m_kind;
    QList<Row> m_rows;
    QString m_chars;
    qsizetype m_unusedChars = 0; // of texts edited or removed, until the buffer is compacted
    DuplicateIndex m_index;      // the rows by their texts
    QHash<QString, QIcon> m_icons;
    // The icons with the mark's place, by icon key and '*' (a favourite) or ' '.
    mutable QHash<QString, QIcon> m_markedIcons;
    QSet<QString> m_favourites;
    QString m_favouriteLabel;
    QString m_headers[ColumnCount];
    int m_bulkDepth = 0;
    int m_spacedTexts = 0; // rows whose text has spaces around it
};
