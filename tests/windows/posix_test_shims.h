#pragma once

// Test-only stand-ins for the few POSIX calls that the shared unit tests use and the Windows C
// runtime lacks. Included ahead of every test source of the Windows build.
#include <direct.h>
#include <io.h>

#include <cstring>

// Replaces the trailing "XXXXXX" of `pattern` with a name that does not exist yet and creates
// that folder; nullptr when that fails.
inline char* mkdtemp(char* pattern) {
    if (_mktemp_s(pattern, std::strlen(pattern) + 1) != 0 || _mkdir(pattern) != 0) {
        return nullptr;
    }
    return pattern;
}
