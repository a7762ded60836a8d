#pragma once

#include <QtGlobal>

// A start that fills long buffers at once pays a page fault for each page
// it touches first, which on a virtual machine costs more than the filling
// itself: the buffer's pages are asked for in one call instead, and large
// ones where the system offers them. Advice only: where it is not taken the
// pages come one fault at a time, as without it.
class MemoryAdvice
{
public:
    // The whole pages of [data, data + bytes), about to be written.
    static void willWrite(const void* data, qsizetype bytes);
    // The whole large pages (2 MiB) of [data, data + bytes) given as such,
    // for a buffer that is filled over time: a fault for each.
    static void largePages(const void* data, qsizetype bytes);
    // For a process that fills some tens of MiB at its start (the stores'
    // tables, a list's lines or rows and their index), called before any
    // thread: the heap is grown at once by as much, in the system's large
    // pages where it has them (2 MiB a fault), none of it given back while
    // the process lives. Every thread allocates from that one heap: a
    // thread's own grows by small pages, a fault each.
    static void heapOfLargePages();
};
