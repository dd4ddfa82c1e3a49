#include "platform/name_matching.h"

#include <algorithm>

namespace framestow::platform {

namespace {

char to_upper_ascii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Backtracks only to the latest '*', so the time stays proportional to the product of the two
// lengths at worst.
bool matches_wildcard(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::string_view::npos;
    std::size_t star_name = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_name = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || to_upper_ascii(pattern[p]) == to_upper_ascii(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++star_name;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

std::string to_upper_ascii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return to_upper_ascii(c); });
    return upper;
}

bool matches_name_pattern(std::string_view pattern, std::string_view name) {
    if (matches_wildcard(pattern, name)) {
        return true;
    }
    constexpr std::string_view kAnyExtension = ".*";
    return pattern.ends_with(kAnyExtension) && name.find('.') == std::string_view::npos &&
           matches_wildcard(pattern.substr(0, pattern.size() - kAnyExtension.size()), name);
}

bool comes_before_in_search_order(const std::string& a, const std::string& b) {
    const std::string upper_a = to_upper_ascii(a);
    const std::string upper_b = to_upper_ascii(b);
    if (upper_a != upper_b) {
        return upper_a < upper_b;
    }
    return a < b;
}

}  // namespace framestow::platform
