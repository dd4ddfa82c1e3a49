#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// 64-bit positions in a C stream, and streams opened on regular files only; each platform file
// provides them with its own runtime's calls.
namespace framestow::platform {

// A stream for reading `path`, or null when it is not a regular file or cannot be opened.
[[nodiscard]] std::FILE* open_regular_stream(const std::string& path);

[[nodiscard]] int64_t tell_offset(std::FILE* stream);  // negative on failure
[[nodiscard]] bool seek_offset(std::FILE* stream, int64_t offset, int origin);

}  // namespace framestow::platform
