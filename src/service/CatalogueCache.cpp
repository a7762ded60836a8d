#include "service/CatalogueCache.h"

#include "search/EmoticonShape.h"
#include "search/EntryKey.h"
#include "search/MemoryAdvice.h"
#include "search/SearchEntry.h"

#include "base/AtomicFileWriter.h"
#include "base/RegularFile.h"

#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace {

constexpr char Magic[8] = {'Z', 'U', 'N', 'O', 'R', 'O', 'W', 'S'};
// Raised whenever what is stored, or how it is folded, changes.
constexpr quint32 FormatVersion = 1;
constexpr quint32 ByteOrder = 0x01020304;
constexpr int Fields = 6;
// Far beyond two list files of the reader's largest size.
constexpr quint64 MaxRows = quint64(1) << 26;
constexpr quint64 MaxUnits = quint64(1) << 28;

struct Header
{
    char magic[8];
    quint32 version;
    quint32 byteOrder;
    quint64 sourceKey;
    CatalogueCache::FileStamp stamps[2];
    quint64 rows[2];
    quint64 units[2];
    quint64 checksums[2];
};
static_assert(sizeof(Header) % 8 == 0 && sizeof(CatalogueCache::FileStamp) == 64);

// Where each part lies: the header, both lists' ends, both lists' units.
struct Layout
{
    qsizetype ends[2];
    qsizetype units[2];
    qsizetype size;

    explicit Layout(const Header& header)
    {
        qsizetype at = sizeof(Header);
        for (int l = 0; l < 2; ++l) {
            ends[l] = at;
            at += qsizetype(header.rows[l]) * Fields * qsizetype(sizeof(quint32));
        }
        for (int l = 0; l < 2; ++l) {
            units[l] = at;
            at += qsizetype(header.units[l]) * qsizetype(sizeof(char16_t));
        }
        size = at;
    }
};

// A lease broken is told by SIGIO, whose default would end the process:
// it is caught and let be (the breaker waits for the release all the same).
// A handler of its own, unlike an ignored signal, is not passed on to the
// programs the service starts.
void leaseBroken(int) {}

// A descriptor of fd's open file that holds a read lease on it, or -1
// where the system gives none (another writer has it open, a file system
// without leases). The lease lasts until the descriptor is closed.
int takeReadLease(int fd)
{
    struct sigaction current = {};
    if (::sigaction(SIGIO, nullptr, &current) != 0)
        return -1;
    if (current.sa_handler == SIG_DFL) {
        struct sigaction caught = {};
        caught.sa_handler = leaseBroken;
        caught.sa_flags = SA_RESTART;
        sigemptyset(&caught.sa_mask);
        if (::sigaction(SIGIO, &caught, nullptr) != 0)
            return -1;
    } else if (current.sa_handler != leaseBroken && current.sa_handler != SIG_IGN) {
        // Someone else's SIGIO: not told of a lease of ours.
        return -1;
    }
    const int lease = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (lease < 0)
        return -1;
    if (::fcntl(lease, F_SETLEASE, F_RDLCK) != 0) {
        ::close(lease);
        return -1;
    }
    return lease;
}

// The checksum of a list: its ends where the header and the ends lie, its
// units where they do (the same bytes, or a mapping of the file).
quint64 listChecksum(const char* ends, const char* units, const Layout& layout,
                     const Header& header, int l)
{
    const quint64 endsHash =
        CatalogueCache::hash(ends + layout.ends[l], qsizetype(header.rows[l]) * Fields * 4);
    return CatalogueCache::hash(units + layout.units[l], qsizetype(header.units[l]) * 2, endsHash);
}

// Memory for size bytes, its pages made at once (and large where the system
// offers it) rather than one fault at a time as a read fills it; null when
// there is none.
char* allocate(qsizetype size)
{
    // Whole pages, all advised alike: a mapping split by advice on part of
    // it could not be moved whole onto another (ownUnits' mremap).
    static const qsizetype page = qsizetype(::sysconf(_SC_PAGESIZE));
    const qsizetype pages = (size + page - 1) / page * page;
    void* memory = ::mmap(nullptr, std::size_t(pages), PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return nullptr;
    MemoryAdvice::willWrite(memory, pages);
    return static_cast<char*>(memory);
}

} // namespace

CatalogueCache::FileStamp CatalogueCache::FileStamp::of(const QString& path)
{
    struct stat info;
    FileStamp stamp;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return stamp;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    stamp.size = qint64(info.st_size);
    stamp.seconds = qint64(info.st_mtim.tv_sec);
    stamp.nanoseconds = qint64(info.st_mtim.tv_nsec);
    stamp.changeSeconds = qint64(info.st_ctim.tv_sec);
    stamp.changeNanoseconds = qint64(info.st_ctim.tv_nsec);
    stamp.exists = 1;
    return stamp;
}

QString CatalogueCache::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/ZunoSmileys/search-rows");
}

CatalogueCache::~CatalogueCache()
{
    if (m_data)
        ::munmap(m_data, std::size_t(m_size));
    if (m_mapped)
        ::munmap(const_cast<char*>(m_mapped), std::size_t(m_mappedSize));
    if (m_lease >= 0)
        ::close(m_lease);
}

quint64 CatalogueCache::hash(const void* data, qsizetype size, quint64 seed)
{
    // Against damage, not forgery: eight bytes a step, each mixed in, in
    // four independent lanes so that a long copy is checked at memory speed.
    constexpr quint64 Factor = 0x9E3779B97F4A7C15ULL;
    const char* bytes = static_cast<const char*>(data);
    quint64 lanes[4] = {seed ^ (quint64(size) * Factor), seed + 1, seed + 2, seed + 3};
    qsizetype i = 0;
    for (; i + 32 <= size; i += 32) {
        for (int lane = 0; lane < 4; ++lane) {
            quint64 word;
            std::memcpy(&word, bytes + i + lane * 8, 8);
            lanes[lane] = (lanes[lane] ^ word) * Factor;
            lanes[lane] ^= lanes[lane] >> 29;
        }
    }
    quint64 h = lanes[0];
    for (int lane = 1; lane < 4; ++lane)
        h = ((h ^ lanes[lane]) * Factor) ^ (h >> 31);
    for (; i < size; i += 8) {
        quint64 word = 0;
        std::memcpy(&word, bytes + i, std::size_t(std::min<qsizetype>(8, size - i)));
        h = (h ^ word) * Factor;
        h ^= h >> 29;
    }
    return h ^ (h >> 32);
}

std::shared_ptr<const CatalogueCache> CatalogueCache::read(const QString& path, quint64 sourceKey,
                                                           const Stamps& stamps)
{
    QFile file;
    if (RegularFile::openForReading(file, path) != RegularFile::Kind::Regular)
        return nullptr;
    const qint64 size = file.size();
    if (size < qint64(sizeof(Header)) || size > MaxFileSize)
        return nullptr;
    // The header first: a copy of other files is not read further.
    Header header;
    if (file.read(reinterpret_cast<char*>(&header), sizeof(Header)) != qint64(sizeof(Header)))
        return nullptr;
    if (std::memcmp(header.magic, Magic, sizeof(Magic)) != 0 || header.version != FormatVersion ||
        header.byteOrder != ByteOrder || header.sourceKey != sourceKey ||
        !(header.stamps[0] == stamps[0]) || !(header.stamps[1] == stamps[1]))
        return nullptr;
    for (int l = 0; l < 2; ++l) {
        if (header.rows[l] > MaxRows || header.units[l] > MaxUnits)
            return nullptr;
    }
    const Layout layout(header);
    if (layout.size != size)
        return nullptr;
    auto cache = std::shared_ptr<CatalogueCache>(new CatalogueCache);
    // The header and the ends, which every bound comes from, in memory of
    // their own: a file changed meanwhile changes no bound checked here.
    const qsizetype ownSize = layout.units[0];
    char* const bytes = cache->m_data = allocate(ownSize);
    if (!bytes)
        return nullptr;
    cache->m_size = ownSize;
    std::memcpy(bytes, &header, sizeof(Header));
    const qint64 rest = ownSize - qint64(sizeof(Header));
    if (rest > 0 && file.read(bytes + sizeof(Header), rest) != rest)
        return nullptr;
    // The units, most of the file, mapped from the system's cache of it
    // rather than copied: a text changed meanwhile changes an entry's text,
    // never where a view of it ends. The copy is only ever replaced by a
    // rename, which leaves this file as it was; a file cut short would take
    // mapped pages away, and the next read of one would end the service, so
    // they are mapped only under a read lease: whoever opens the file to
    // write it, or cuts it short, waits until ownUnits has let it go (for
    // the system's lease break time at most, 45 s by default, which the
    // caller stays well within). Where the system gives no lease, the units
    // are read into memory at once.
    const int lease = takeReadLease(file.handle());
    if (lease >= 0) {
        void* const mapped = ::mmap(nullptr, std::size_t(size), PROT_READ,
                                    MAP_PRIVATE | MAP_POPULATE, file.handle(), 0);
        if (mapped == MAP_FAILED) {
            ::close(lease);
            return nullptr;
        }
        cache->m_mapped = static_cast<const char*>(mapped);
        cache->m_lease = lease;
    } else {
        char* const own = allocate(qsizetype(size));
        if (!own)
            return nullptr;
        cache->m_mapped = own;
        cache->m_unitsOwned = true;
        const qint64 units = size - ownSize;
        if (file.read(own + ownSize, units) != units)
            return nullptr;
    }
    cache->m_mappedSize = qsizetype(size);
    const char* const units = cache->m_mapped;
    // Each list checked on a core of its own.
    bool secondSound = false;
    std::thread second([&] {
        secondSound = listChecksum(bytes, units, layout, header, 1) == header.checksums[1];
    });
    const bool firstSound = listChecksum(bytes, units, layout, header, 0) == header.checksums[0];
    second.join();
    if (!firstSound || !secondSound)
        return nullptr;
    for (int l = 0; l < 2; ++l) {
        List& list = cache->m_lists[l];
        list.rows = qsizetype(header.rows[l]);
        list.ends = reinterpret_cast<const quint32*>(bytes + layout.ends[l]);
        list.units = reinterpret_cast<const QChar*>(units + layout.units[l]);
        // Every field within the list's units, one after the other.
        quint32 previous = 0;
        for (qsizetype i = 0; i < list.rows * Fields; ++i) {
            if (list.ends[i] < previous)
                return nullptr;
            previous = list.ends[i];
        }
        if (previous != header.units[l])
            return nullptr;
    }
    return cache;
}

void CatalogueCache::ownUnits() const
{
    if (!m_mapped || m_unitsOwned)
        return;
    const std::size_t size = std::size_t(m_mappedSize);
    char* const own = allocate(m_mappedSize);
    if (!own) {
        qWarning("The search service's stored copy stays mapped: no memory for its texts.");
        return;
    }
    std::memcpy(own, m_mapped, size);
    // Replaces the mapping whole, at once: a read meanwhile sees the same
    // bytes in one or the other.
    if (::mprotect(own, size, PROT_READ) != 0 ||
        ::mremap(own, size, size, MREMAP_MAYMOVE | MREMAP_FIXED, const_cast<char*>(m_mapped)) ==
            MAP_FAILED) {
        qWarning("The search service's stored copy stays mapped: %s", std::strerror(errno));
        ::munmap(own, size);
        return;
    }
    m_unitsOwned = true;
    // Nothing of the file is mapped any more: a writer waiting goes on.
    ::close(m_lease);
    m_lease = -1;
}

bool CatalogueCache::write(const QString& path, quint64 sourceKey, const Stamps& stamps,
                           const QList<BilingualEntry>& entries, const Ranges& ranges)
{
    Header header{};
    std::memcpy(header.magic, Magic, sizeof(Magic));
    header.version = FormatVersion;
    header.byteOrder = ByteOrder;
    header.sourceKey = sourceKey;
    header.stamps[0] = stamps[0];
    header.stamps[1] = stamps[1];
    std::array<QList<quint32>, 2> ends;
    std::array<QString, 2> units;
    QString own;
    for (int l = 0; l < 2; ++l) {
        const auto [first, end] = ranges[l];
        if (first < 0 || end < first || end > entries.size())
            return false;
        ends[l].reserve((end - first) * Fields);
        for (qsizetype i = first; i < end; ++i) {
            const BilingualEntry& entry = entries[i];
            // As the index folds a user's entry: one description.
            own.resize(0);
            const qsizetype textLength = SearchIndex::appendOwnKey(
                SearchEntry::of(entry.text, entry.frenchDescription, {}, false), own);
            const QStringView foldedText = QStringView(own).first(textLength);
            const QString entryKey = EntryKey::of(entry.text);
            const QString shape = EmoticonShape::of(foldedText);
            const std::array<QStringView, Fields> fields{
                entry.text, entry.frenchDescription,
                foldedText, QStringView(own).sliced(textLength),
                entryKey,   shape};
            for (const QStringView field : fields) {
                units[l].append(field);
                ends[l].append(quint32(units[l].size()));
            }
            if (quint64(units[l].size()) > MaxUnits)
                return false;
        }
        header.rows[l] = quint64(end - first);
        header.units[l] = quint64(units[l].size());
    }
    QByteArray bytes(sizeof(Header), '\0');
    for (int l = 0; l < 2; ++l)
        bytes.append(reinterpret_cast<const char*>(ends[l].constData()),
                     ends[l].size() * qsizetype(sizeof(quint32)));
    for (int l = 0; l < 2; ++l)
        bytes.append(reinterpret_cast<const char*>(units[l].constData()),
                     units[l].size() * qsizetype(sizeof(char16_t)));
    const Layout layout(header);
    for (int l = 0; l < 2; ++l)
        header.checksums[l] = listChecksum(bytes.constData(), bytes.constData(), layout, header, l);
    std::memcpy(bytes.data(), &header, sizeof(Header));

    // The user's alone, as their lists are: 0600, in a folder made 0700.
    return AtomicFileWriter::write(path, bytes, MaxFileSize, AtomicFileWriter::PrivateFile).ok();
}

BilingualEntry CatalogueCache::entry(int list, qsizetype row) const
{
    const QStringView text = field(list, row, Text);
    const QStringView description = field(list, row, Description);
    const QString shared = QString::fromRawData(description.data(), description.size());
    return {QString::fromRawData(text.data(), text.size()),
            shared,
            shared,
            list == 0 ? BilingualEntry::List::Smileys : BilingualEntry::List::Acronyms,
            true,
            {}};
}
