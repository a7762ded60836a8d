#include "search/MemoryAdvice.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

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
