#pragma once

#include <cstdio>
#include <cstdlib>

// A broken promise of the code under test: printed, then the process aborts, which libFuzzer
// reports as a crash with the input that caused it and which fails a corpus replay.
#define FUZZ_CHECK(condition, what)                                                               \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: broken: %s\n  (%s)\n", __FILE__, __LINE__, what,         \
                         #condition);                                                             \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)
