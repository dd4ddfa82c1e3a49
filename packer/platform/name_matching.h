#pragma once

#include <string>
#include <string_view>

// Name matching and ordering that both platform implementations share, so that a wildcard search
// finds and orders the same names on every system.
namespace framestow::platform {

std::string to_upper_ascii(std::string_view text);

// Matches `name` against a pattern of '*' and '?' without regard to ASCII letter case. As on
// Windows, a pattern that ends in ".*" also matches a name without a dot, with the ".*" standing
// for nothing: "*.*" matches every name and "readme.*" matches "readme".
bool matches_name_pattern(std::string_view pattern, std::string_view name);

// The order in which the Windows file system delivers names: by their upper-cased bytes, and
// names that differ only in case by their own bytes, so the order is total.
bool comes_before_in_search_order(const std::string& a, const std::string& b);

}  // namespace framestow::platform
