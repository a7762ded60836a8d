#pragma once

#include <QAbstractTableModel>
#include <QSet>
#include <QString>

#include <utility>
#include <vector>

// The least list that does the catalogue's job, the floor that the program is
// measured against: a plain vector of text and description pairs, a set of
// the case-folded texts with reserved capacity for the duplicate test (one
// fold and one hash operation per entry), read with the program's own list
// file reader, and written straight from the rows through a 1 MiB buffer into QSaveFile.
class FloorList : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Empties the list and reads the file: the full reload that the floor
    // does where the program switches its language.
    void load(const QString& path);
    // Appends an entry unless its text is in the list already.
    bool add(const QString& text, const QString& description);
    // Writes every entry in the program's format; false when it could not.
    bool save(const QString& path) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    bool insertUnique(const QString& text);

    std::vector<std::pair<QString, QString>> m_rows;
    QSet<QString> m_folded;
};
