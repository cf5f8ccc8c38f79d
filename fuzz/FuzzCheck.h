#pragma once

#include <cstdio>
#include <cstdlib>

/// A check that holds in every build of a fuzz target: a failure prints the
/// condition and aborts, which the fuzzer reports with the input.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__);                                \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)
