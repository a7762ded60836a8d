// Fuzz target of the list file reader: whatever the bytes, no crash, no field
// holds a line end, no more entries than lines; the result of a read does not
// depend on how the bytes arrive, and the limits cut where they say.

#include "FuzzCheck.h"
#include "catalogue/UserListReader.h"

#include <QBuffer>
#include <QStringList>

#include <algorithm>

namespace {

// A device that hands out its bytes a few at a time, as a pipe or a slow
// disk may, so that line ends fall on every boundary between two reads.
class Trickle : public QIODevice
{
public:
    Trickle(QByteArrayView bytes, qint64 step)
        : m_bytes(bytes)
        , m_step(step)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 count = std::min({maxSize, m_step, m_bytes.size() - m_position});
        std::copy_n(m_bytes.data() + m_position, count, data);
        m_position += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArrayView m_bytes;
    qint64 m_step;
    qint64 m_position = 0;
};

struct Read
{
    QStringList entries;
    UserListReader::Result result;
};

Read readAll(QIODevice& device, const UserListReader::Limits& limits)
{
    Read read;
    read.result = UserListReader::read(
        device,
        [&](const QString& text, const QString& description) {
            FUZZ_CHECK(!holdsLineEnd(text) && !holdsLineEnd(description));
            read.entries << text << description;
            return true;
        },
        limits);
    FUZZ_CHECK(read.result.outcome == UserListReader::Result::Outcome::Read);
    return read;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype lines = lineCount(bytes.constData(), size);

    // The real limits, the whole input in one piece.
    QBuffer whole;
    whole.setData(bytes);
    whole.open(QIODevice::ReadOnly);
    const Read full = readAll(whole, {});
    FUZZ_CHECK(full.entries.size() / 2 <= lines);
    FUZZ_CHECK(!full.result.cut() || qint64(size) > UserListReader::MaxLineLength);

    // The same bytes a few at a time give the same entries.
    const qint64 step = size ? 1 + data[0] % 7 : 1;
    Trickle trickle(bytes, step);
    const Read trickled = readAll(trickle, {});
    FUZZ_CHECK(trickled.entries == full.entries);

    // Small limits taken from the input: the size limit cuts exactly when the
    // input is longer, a skipped line is counted, and what is reported is a
    // beginning of what the whole read reported, less skipped lines.
    UserListReader::Limits small;
    small.fileSize = size ? qint64(size) - data[size - 1] % 4 : 0;
    small.lineLength = size > 1 ? 1 + data[1] % 32 : 1;
    if (small.fileSize < 0)
        small.fileSize = 0;
    Trickle limited(bytes, step);
    const Read cut = readAll(limited, small);
    FUZZ_CHECK(cut.result.sizeLimitReached == (small.fileSize < qint64(size)));
    FUZZ_CHECK(cut.entries.size() / 2 <= lines);
    if (cut.result.longLinesSkipped == 0)
        FUZZ_CHECK(full.entries.mid(0, cut.entries.size()) == cut.entries);
    return 0;
}
