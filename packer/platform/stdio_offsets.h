#pragma once

#include <cstdint>
#include <cstdio>

// 64-bit positions in a C stream; each platform file provides them with its own runtime's calls.
namespace framestow::platform {

[[nodiscard]] int64_t tell_offset(std::FILE* stream);  // negative on failure
[[nodiscard]] bool seek_offset(std::FILE* stream, int64_t offset, int origin);

}  // namespace framestow::platform
