#include "search/StoreContent.h"

#include "search/ReadOnlyStoreFile.h"

#include "base/StoreFile.h"

#include <QJsonArray>

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <vector>

namespace {

// Whether a string, as Qt gives it, may differ from the one simdjson
// decoded: Qt drops a byte order mark at its start, at times (as the file
// spelt it).
bool startsWithByteOrderMark(std::string_view utf8)
{
    return utf8.substr(0, 3) == "\xef\xbb\xbf";
}

// Whether Qt's parser reads every value of element as simdjson did: it
// refuses a number written nonzero that comes out as zero (1e-400), a zero
// of a double keeps its sign here only, and it drops a byte order mark that
// starts a string at times. Such numbers come out under the smallest normal
// double, which no store writes; such a string no store writes either.
bool readAsQtReadsIt(simdjson::dom::element element)
{
    switch (element.type()) {
    case simdjson::dom::element_type::DOUBLE:
        return std::fabs(element.get_double().value_unsafe()) >= std::numeric_limits<double>::min();
    case simdjson::dom::element_type::STRING:
        return !startsWithByteOrderMark(element.get_string().value_unsafe());
    case simdjson::dom::element_type::ARRAY: {
        const simdjson::dom::array array = element.get_array().value_unsafe();
        return std::all_of(array.begin(), array.end(), readAsQtReadsIt);
    }
    case simdjson::dom::element_type::OBJECT: {
        const simdjson::dom::object object = element.get_object().value_unsafe();
        return std::all_of(
            object.begin(), object.end(), [](const simdjson::dom::key_value_pair& member) {
                return !startsWithByteOrderMark(member.key) && readAsQtReadsIt(member.value);
            });
    }
    default:
        return true;
    }
}

QString stringOf(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

} // namespace

struct StoreContent::Fast
{
    struct Member
    {
        std::string_view utf8;
        QString key;
        simdjson::dom::element value;
    };
    struct TopMember
    {
        QString name;
        simdjson::dom::element value;
        // When value is an object: its members in the order of Qt's object.
        std::vector<Member> members;
    };

    // Owns the parsed document, which every element points into.
    simdjson::dom::parser parser;
    std::vector<TopMember> top;

    const TopMember* find(QStringView name) const
    {
        const auto it = std::find_if(top.cbegin(), top.cend(),
                                     [name](const TopMember& each) { return each.name == name; });
        return it == top.cend() ? nullptr : &*it;
    }

    // The object's members in the order of Qt's object; false where that
    // order is not certain: a key given twice (Qt keeps one of them), or two
    // keys that UTF-16 units and code points order differently (a character
    // above U+FFFF against one of U+E000-U+FFFF), as Qt compares a key by
    // one or the other depending on how the file spelt it.
    static bool ordered(simdjson::dom::object object, std::vector<Member>& members)
    {
        members.reserve(object.size());
        for (const simdjson::dom::key_value_pair member : object)
            members.push_back({member.key, stringOf(member.key), member.value});
        // Unsigned bytes (char_traits<char>) order UTF-8 as code points. A
        // file Qt wrote is in order already.
        const auto byCodePoints = [](const Member& a, const Member& b) { return a.utf8 < b.utf8; };
        if (!std::is_sorted(members.cbegin(), members.cend(), byCodePoints))
            std::sort(members.begin(), members.end(), byCodePoints);
        // Each neighbour after the one before in UTF-16 units too: then the
        // whole order is both, and so Qt's.
        return std::adjacent_find(members.cbegin(), members.cend(),
                                  [](const Member& a, const Member& b) {
                                      return !(a.key < b.key);
                                  }) == members.cend();
    }
};

StoreContent::StoreContent() = default;

StoreContent::StoreContent(const QJsonObject& object)
    : m_object(object)
{}

StoreContent::StoreContent(StoreContent&&) noexcept = default;
StoreContent& StoreContent::operator=(StoreContent&&) noexcept = default;
StoreContent::~StoreContent() = default;

std::optional<StoreContent> StoreContent::parseFast(const QByteArray& bytes)
{
    auto fast = std::make_unique<Fast>();
    // A copy with simdjson's padding after it, so that its parser never
    // reads past what it was given.
    const simdjson::padded_string padded(bytes.constData(), size_t(bytes.size()));
    simdjson::dom::element root;
    simdjson::dom::object top;
    if (fast->parser.parse(padded).get(root) != simdjson::SUCCESS ||
        root.get_object().get(top) != simdjson::SUCCESS || !readAsQtReadsIt(root))
        return std::nullopt;
    std::vector<std::string_view> names;
    names.reserve(top.size());
    for (const simdjson::dom::key_value_pair member : top) {
        names.push_back(member.key);
        Fast::TopMember& each = fast->top.emplace_back();
        each.name = stringOf(member.key);
        each.value = member.value;
        simdjson::dom::object object;
        if (member.value.get_object().get(object) == simdjson::SUCCESS &&
            !Fast::ordered(object, each.members))
            return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    if (std::adjacent_find(names.cbegin(), names.cend()) != names.cend())
        return std::nullopt;
    StoreContent content;
    content.m_fast = std::move(fast);
    return content;
}

StoreContent StoreContent::load(const QString& path, qint64 maxSize, const char* what)
{
    StoreContent content;
    StoreFile::read(path, maxSize, what, [&content](const QByteArray& bytes) {
        if (std::optional<StoreContent> fast = parseFast(bytes)) {
            content = std::move(*fast);
            return QString();
        }
        QJsonObject object;
        const QString damage = StoreFile::formatDamage(bytes, &object);
        content = StoreContent(object);
        return damage;
    });
    return content;
}

StoreContent StoreContent::loadReadOnly(const QString& path, qint64 maxSize)
{
    const std::optional<QByteArray> bytes = ReadOnlyStoreFile::read(path, maxSize);
    if (!bytes)
        return {};
    if (std::optional<StoreContent> fast = parseFast(*bytes))
        return std::move(*fast);
    return StoreContent(StoreFile::parse(*bytes).value_or(QJsonObject()));
}

qsizetype StoreContent::sizeOf(QStringView name) const
{
    if (!m_fast)
        return m_object.value(name).toObject().size() + m_object.value(name).toArray().size();
    const Fast::TopMember* member = m_fast->find(name);
    if (!member)
        return 0;
    simdjson::dom::array array;
    if (member->value.get_array().get(array) == simdjson::SUCCESS)
        return qsizetype(array.size());
    return qsizetype(member->members.size());
}

void StoreContent::forEachString(QStringView name,
                                 const std::function<void(QString&& text)>& take) const
{
    if (!m_fast) {
        const QJsonArray values = m_object.value(name).toArray();
        for (const QJsonValue& value : values) {
            if (value.isString())
                take(value.toString());
        }
        return;
    }
    const Fast::TopMember* member = m_fast->find(name);
    simdjson::dom::array array;
    if (!member || member->value.get_array().get(array) != simdjson::SUCCESS)
        return;
    for (const simdjson::dom::element value : array) {
        std::string_view text;
        if (value.get_string().get(text) == simdjson::SUCCESS)
            take(stringOf(text));
    }
}

void StoreContent::forEachStringsMember(
    QStringView name,
    const std::function<void(const QString& key, QStringList&& strings)>& take) const
{
    if (!m_fast) {
        const QJsonObject object = m_object.value(name).toObject();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            QStringList strings;
            const QJsonArray values = it.value().toArray();
            strings.reserve(values.size());
            for (const QJsonValue& value : values) {
                if (value.isString())
                    strings.append(value.toString());
            }
            take(it.key(), std::move(strings));
        }
        return;
    }
    const Fast::TopMember* member = m_fast->find(name);
    if (!member)
        return;
    for (const Fast::Member& each : member->members) {
        QStringList strings;
        simdjson::dom::array array;
        if (each.value.get_array().get(array) == simdjson::SUCCESS) {
            strings.reserve(qsizetype(array.size()));
            for (const simdjson::dom::element value : array) {
                std::string_view text;
                if (value.get_string().get(text) == simdjson::SUCCESS)
                    strings.append(stringOf(text));
            }
        }
        take(each.key, std::move(strings));
    }
}

void StoreContent::forEachNumbersMember(
    QStringView name,
    const std::function<void(const QString& key, qsizetype size, double first, double second)>&
        take) const
{
    if (!m_fast) {
        const QJsonObject object = m_object.value(name).toObject();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            const QJsonArray values = it.value().toArray();
            take(it.key(), values.size(), values.at(0).toDouble(), values.at(1).toDouble());
        }
        return;
    }
    const Fast::TopMember* member = m_fast->find(name);
    if (!member)
        return;
    for (const Fast::Member& each : member->members) {
        simdjson::dom::array array;
        qsizetype size = 0;
        double numbers[2] = {0, 0};
        if (each.value.get_array().get(array) == simdjson::SUCCESS) {
            size = qsizetype(array.size());
            int i = 0;
            for (const simdjson::dom::element value : array) {
                if (i == 2)
                    break;
                // Any number, as a double (an integer converts as Qt's does).
                if (value.is_number())
                    numbers[i] = value.get_double().value_unsafe();
                ++i;
            }
        }
        take(each.key, size, numbers[0], numbers[1]);
    }
}
