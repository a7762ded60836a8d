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
    // For a process that fills tens of MiB at its start (the stores'
    // tables, a list's lines or rows and their index), called before any
    // thread: the heap is grown at once by bytes, in the system's large
    // pages where it has them (2 MiB a fault), its next blocks from a whole
    // large page on (the part of one below it would come in small pages,
    // a fault each 4 KiB), and nothing freed is given
    // back until giveBackFreed(). Every thread allocates from that one heap: a
    // thread's own grows by small pages, a fault each.
    static void heapOfLargePages(qsizetype bytes);
    // For a process that goes on once its start is over: what it freed
    // goes back to the system, and from then on a free at the heap's top
    // does too. Once after the start, and after each load as large.
    static void giveBackFreed();
};
