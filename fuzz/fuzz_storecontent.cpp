// Fuzz target of the stores' fast read: whatever bytes a store file holds,
// no crash; bytes it takes are bytes Qt's parser takes too (a file Qt would
// set aside is never read), and every walk of the stores sees in them exactly
// what it sees in Qt's object of the same bytes.

#include "FuzzCheck.h"
#include "search/StoreContent.h"

#include "base/StoreFile.h"

#include <QStringList>

#include <optional>

namespace {

// Everything the stores' walks see of a content, in the order they see it.
QStringList walkOf(const StoreContent& content)
{
    QStringList seen;
    for (const QString& name : {QStringLiteral("smileys"), QStringLiteral("acronyms")}) {
        seen << name << QString::number(content.sizeOf(name));
        content.forEachString(name, [&](QString&& text) { seen << text; });
        content.forEachStringsMember(name, [&](const QString& key, QStringList&& strings) {
            seen << key << strings << QString();
        });
        content.forEachNumbersMember(
            name, [&](const QString& key, qsizetype size, double first, double second) {
                seen << key << QString::number(size) << QString::number(first, 'g', 17)
                     << QString::number(second, 'g', 17);
            });
    }
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<StoreContent> fast = StoreContent::parseFast(bytes);
    if (!fast)
        return 0;
    const std::optional<QJsonObject> object = StoreFile::parse(bytes);
    FUZZ_CHECK(object.has_value());
    FUZZ_CHECK(walkOf(*fast) == walkOf(*object));
    return 0;
}
