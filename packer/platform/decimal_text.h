#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace framestow::platform {

// Decimal numbers in configuration text and picture names are read as the target's C runtime
// reads them, so that a value means the same on every platform.

// The value of the leading decimal number of `text`, read as the C runtime's atoi reads it:
// leading blanks skipped, an optional sign, then digits up to the first non-digit; 0 when there
// are none. Values beyond 32 bits are clamped to the nearest 32-bit value, as the Windows runtime
// does, so no input overflows.
inline int32_t leading_decimal(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min<int64_t>(value * 10 + (text[pos] - '0'), kLimit);
    }
    return static_cast<int32_t>(negative ? -value : std::min<int64_t>(value, kLimit - 1));
}

// True when `text` is not empty and holds decimal digits only.
inline bool all_decimal_digits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// The number that the whole of `text` writes in decimal digits, as a byte count such as a
// package's max_size; none for empty text, any other character, or a value beyond 64 bits.
inline std::optional<uint64_t> whole_decimal(std::string_view text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace framestow::platform
