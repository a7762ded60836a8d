#include "FloorList.h"

#include "catalogue/UserListReader.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

namespace {

// A guess at the entries of a file from its size, close to the program's
// own lines ("text","description" of some 30 bytes).
qsizetype expectedEntries(const QString& path)
{
    return qsizetype(QFileInfo(path).size() / 24);
}

} // namespace

bool FloorList::insertUnique(const QString& text)
{
    const qsizetype before = m_folded.size();
    m_folded.insert(text.trimmed().toCaseFolded());
    return m_folded.size() != before;
}

void FloorList::load(const QString& path)
{
    beginResetModel();
    m_rows.clear();
    m_folded.clear();
    const qsizetype expected = expectedEntries(path);
    m_rows.reserve(size_t(expected));
    m_folded.reserve(expected);
    UserListReader::readFile(path, [this](const QString& text, const QString& description) {
        if (insertUnique(text))
            m_rows.emplace_back(text, description);
        return true;
    });
    endResetModel();
}

bool FloorList::add(const QString& text, const QString& description)
{
    if (!insertUnique(text))
        return false;
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.emplace_back(text, description);
    endInsertRows();
    return true;
}

bool FloorList::save(const QString& path) const
{
    // Every line is "text","description" CR LF, encoded straight from the
    // rows into one buffer that is written whenever it is nearly full: UTF-8
    // takes at most three bytes per UTF-16 unit.
    constexpr qsizetype Piece = 1024 * 1024;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes(Piece, Qt::Uninitialized);
    QStringEncoder utf8(QStringConverter::Utf8);
    char* out = bytes.data();
    bool written = true;
    const auto writeOut = [&] {
        const qsizetype size = out - bytes.constData();
        written = written && file.write(bytes.constData(), size) == size;
        out = bytes.data();
    };
    for (const auto& [text, description] : m_rows) {
        const qsizetype room = 3 * (text.size() + description.size()) + 7;
        if (room > Piece - (out - bytes.constData())) {
            writeOut();
            if (room > bytes.size()) {
                bytes.resize(room);
                out = bytes.data();
            }
        }
        *out++ = '"';
        out = utf8.appendToBuffer(out, text);
        *out++ = '"';
        *out++ = ',';
        *out++ = '"';
        out = utf8.appendToBuffer(out, description);
        *out++ = '"';
        *out++ = '\r';
        *out++ = '\n';
    }
    writeOut();
    return written && file.commit();
}

int FloorList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FloorList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant FloorList::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const auto& row = m_rows[size_t(index.row())];
    return index.column() == 0 ? row.first : row.second;
}

QVariant FloorList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return section == 0 ? QStringLiteral("Text") : QStringLiteral("Description");
}
