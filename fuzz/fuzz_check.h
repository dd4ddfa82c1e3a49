#pragma once

#include <cstdio>
#include <cstdlib>
#include <iostream>

// What every harness shares: a wrong answer is turned into a crash, which libFuzzer reports and
// saves like any other, and the replay test fails on.
namespace fuzzcheck {

// Stops the process when an invariant of the code under test does not hold.
inline void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The packaging code reports to std::cout line by line, with a flush each; millions of runs of
// that would cost more than the code itself, and nobody reads it.
inline void silence_messages() {
    static const bool silenced = [] {
        std::cout.rdbuf(nullptr);
        return true;
    }();
    (void)silenced;
}

}  // namespace fuzzcheck
