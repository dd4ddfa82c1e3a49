#include "text_scanner.h"

#include <limits>

namespace framestow::inspect {

namespace {

bool is_name_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.';
}

}  // namespace

void TextScanner::skip_blanks() {
    while (!rest_.empty() && (rest_.front() == ' ' || rest_.front() == '\t')) {
        rest_.remove_prefix(1);
    }
}

bool TextScanner::take(std::string_view word) {
    skip_blanks();
    if (!rest_.starts_with(word)) {
        return false;
    }
    rest_.remove_prefix(word.size());
    return true;
}

std::optional<uint64_t> TextScanner::take_unsigned() {
    skip_blanks();
    constexpr uint64_t kMost = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    std::size_t digits = 0;
    while (digits < rest_.size() && rest_[digits] >= '0' && rest_[digits] <= '9') {
        const auto digit = static_cast<uint64_t>(rest_[digits] - '0');
        if (value > (kMost - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    rest_.remove_prefix(digits);
    return value;
}

std::optional<int64_t> TextScanner::take_signed() {
    skip_blanks();
    const bool negative = take("-");
    const std::optional<uint64_t> magnitude = take_unsigned();
    constexpr auto kMost = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (!magnitude || *magnitude > kMost) {
        return std::nullopt;
    }
    const auto value = static_cast<int64_t>(*magnitude);
    return negative ? -value : value;
}

std::string_view TextScanner::take_name() {
    skip_blanks();
    std::size_t length = 0;
    while (length < rest_.size() && is_name_char(rest_[length])) {
        ++length;
    }
    const std::string_view name = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return name;
}

bool TextScanner::only_blanks_left() {
    skip_blanks();
    return rest_.empty();
}

std::string quoted_excerpt(std::string_view text, std::size_t most) {
    std::string shown;
    for (const char c : text.substr(0, most)) {
        shown += c >= ' ' && c <= '~' ? c : '?';
    }
    if (text.size() > most) {
        shown += "...";
    }
    return "\"" + shown + "\"";
}

}  // namespace framestow::inspect
