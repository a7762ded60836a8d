#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>

// A store file's content as the stores walk it, from one of two sources: at
// a load, the file's bytes as simdjson parsed them (the fast read); after a
// write, or wherever the fast read declines, the QJsonObject of Qt's parser.
// Either source answers every walk alike, so that each store has one walk
// and one set of rules. The fast read declines whatever Qt might read
// otherwise: a simdjson error (Qt takes a BOM, a lone surrogate escape, a
// number beyond 64 bits), a number that comes out as zero or under the
// smallest normal double (Qt refuses 1e-400), a string or key that starts
// with a byte order mark (which Qt drops at times), a top that is no object,
// a key given twice in the top or in an object it holds (Qt keeps one of
// them), and two keys of one object that code points and UTF-16 units order
// differently. The members of the top's objects come in the order Qt's
// object has them.
class StoreContent
{
public:
    // Empty, or Qt's object (written, or read by Qt's parser); implicit, so
    // that a store takes what it wrote as it takes what it read.
    StoreContent();
    StoreContent(const QJsonObject& object);
    StoreContent(StoreContent&&) noexcept;
    StoreContent& operator=(StoreContent&&) noexcept;
    ~StoreContent();

    // The fast read of bytes, or nothing where it declines them.
    static std::optional<StoreContent> parseFast(const QByteArray& bytes);
    // What StoreFile::load reads (a damaged file is set aside, as there),
    // through the fast read where it takes the bytes.
    static StoreContent load(const QString& path, qint64 maxSize, const char* what);
    // What a reader that may change nothing reads (ReadOnlyStoreFile): a
    // file that cannot be used reads as empty and is left where it is.
    static StoreContent loadReadOnly(const QString& path, qint64 maxSize);

    bool isFastRead() const { return m_fast != nullptr; }

    // How many values or members the top holds at name (to reserve for them).
    qsizetype sizeOf(QStringView name) const;

    // The strings of the array the top holds at name, in order; other values
    // are skipped, and a name that holds no array gives none.
    void forEachString(QStringView name, const std::function<void(QString&& text)>& take) const;
    // The members of the object the top holds at name, each with the strings
    // of its array (other values skipped; none where it is no array).
    void forEachStringsMember(
        QStringView name,
        const std::function<void(const QString& key, QStringList&& strings)>& take) const;
    // The members of the object at name, each with the size of its array
    // (0 where it is no array) and its first two values as numbers (0 where
    // there is none or it is no number, as QJsonValue::toDouble answers).
    void forEachNumbersMember(QStringView name,
                              const std::function<void(const QString& key, qsizetype size,
                                                       double first, double second)>& take) const;

private:
    struct Fast;
    QJsonObject m_object;
    std::unique_ptr<Fast> m_fast;
};
