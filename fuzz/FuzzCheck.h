#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// An invariant of a fuzz target: a broken one aborts, which libFuzzer reports
// as a finding with the input that broke it, and the replay driver as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__,           \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

inline bool holdsLineEnd(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// The most entries a text can give: one per line.
inline qsizetype lineCount(const char* data, size_t size)
{
    qsizetype lines = 1;
    for (size_t i = 0; i < size; ++i)
        lines += data[i] == '\n' || data[i] == '\r';
    return lines;
}
