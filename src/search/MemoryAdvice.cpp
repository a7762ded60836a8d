#include "search/MemoryAdvice.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

void MemoryAdvice::willWrite(const void* data, qsizetype bytes)
{
    // Below a few pages the faults cost nothing worth a call.
    static const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    if (!data || bytes < qsizetype(16 * page))
        return;
    const std::uintptr_t begin = (std::uintptr_t(data) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (std::uintptr_t(data) + std::uintptr_t(bytes)) & ~(page - 1);
    if (end <= begin)
        return;
    void* const start = reinterpret_cast<void*>(begin);
    ::madvise(start, end - begin, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    ::madvise(start, end - begin, MADV_POPULATE_WRITE);
#endif
}

void MemoryAdvice::largePages(const void* data, qsizetype bytes)
{
    constexpr std::uintptr_t Large = 2 * 1024 * 1024;
    const std::uintptr_t begin = (std::uintptr_t(data) + Large - 1) & ~(Large - 1);
    const std::uintptr_t end = (std::uintptr_t(data) + std::uintptr_t(bytes)) & ~(Large - 1);
    if (data && end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void MemoryAdvice::heapOfLargePages(qsizetype bytes)
{
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    const int heap = int(std::min<qsizetype>(bytes, 1024 * 1024 * 1024));
    // Blocks of up to 32 MiB from the heap, not maps of their own (which
    // would come in small pages): a larger one takes a map of its own only
    // where the heap has no room left for it.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TOP_PAD, heap);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    char* const start = static_cast<char*>(::sbrk(0));
    // More than the heap has left: it grows, by the pad besides. The block
    // comes from the heap's top, and goes back to it.
    constexpr std::size_t Grown = 1024 * 1024;
    constexpr std::uintptr_t Large = 2 * 1024 * 1024;
    void* const grown = std::malloc(Grown);
    char* const end = static_cast<char*>(::sbrk(0));
    // The heap's next blocks would start where that block did, somewhere
    // within a large page, and the heap marked its top's end after it
    // before the advice, which leaves the large page holding that mark in
    // small pages: up to 4 MiB of the first tables a start fills, a fault
    // each 4 KiB. A block that is never used takes the heap past both, to
    // the next whole large page. Only where the heap grew for that block
    // (the first call, at a start, with no free block as large): else its
    // next blocks are not where the block was.
    const std::uintptr_t next = std::uintptr_t(grown);
    const std::uintptr_t boundary = (next + Grown + 64 + Large - 1) & ~(Large - 1);
    const bool fromGrownTop = grown && end > start && next + Grown > std::uintptr_t(start);
    // Less the next block's header (two words), which then ends at the
    // boundary.
    const std::size_t gap = fromGrownTop && boundary < std::uintptr_t(end)
                                ? std::size_t(boundary - next - 2 * sizeof(std::size_t))
                                : 0;
    std::free(grown);
    largePages(start, end - start);
    if (gap > 0) {
        void* volatile unused = std::malloc(gap);
        Q_UNUSED(unused);
    }
#else
    Q_UNUSED(bytes);
#endif
}

void MemoryAdvice::giveBackFreed()
{
#if defined(__GLIBC__)
    // The defaults again: the heap grows by 128 KiB more than it needs, and
    // a free that leaves more than that at its top gives it back. The
    // threads keep the one heap (the system's allocator counts its heaps
    // once, at the first thread's first call).
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    mallopt(M_TOP_PAD, 128 * 1024);
    malloc_trim(0);
#endif
}
