#pragma once

#include <cstdint>
#include <string_view>

namespace framestow {

// The value of the leading decimal number of `text`, read as the C runtime's atoi reads it:
// leading blanks skipped, an optional sign, then digits up to the first non-digit; 0 when there
// are none. The value is accumulated modulo 2^32, so no input overflows; every caller keeps only
// values that fit in a few digits or only the low bits.
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
    uint32_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10u + static_cast<uint32_t>(text[pos] - '0');
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
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

}  // namespace framestow
