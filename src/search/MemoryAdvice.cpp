#include "search/MemoryAdvice.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

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

void MemoryAdvice::heapOfLargePages()
{
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    constexpr int Heap = 96 * 1024 * 1024;
    // Blocks of up to 32 MiB (the most a start takes at once) from the
    // heap, not maps of their own.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TOP_PAD, Heap);
    mallopt(M_TRIM_THRESHOLD, 2 * Heap);
    char* const start = static_cast<char*>(::sbrk(0));
    // More than the heap has left: it grows, by the pad besides.
    void* volatile grown = std::malloc(1024 * 1024);
    std::free(grown);
    char* const end = static_cast<char*>(::sbrk(0));
    largePages(start, end - start);
#endif
}
