#include "text_scanner.h"

#include <algorithm>
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
    if (digits == 0 || (digits > 1 && rest_[0] == '0')) {
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

bool has_leading_zero_number(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const bool starts_run = i == 0 || !is_name_char(text[i - 1]);
        if (starts_run && text[i] == '0' && text[i + 1] >= '0' && text[i + 1] <= '9') {
            return true;
        }
    }
    return false;
}

std::string shown(std::string_view value) {
    const bool plain = !value.empty() && std::all_of(value.begin(), value.end(), [](char c) {
        return is_name_char(c) || c == '-';
    });
    return plain ? std::string(value) : quoted_excerpt(value, 100);
}

std::string printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        shown += c >= ' ' && c <= '~' ? c : '?';
    }
    return shown;
}

std::string quoted_excerpt(std::string_view text, std::size_t most) {
    return "\"" + printable(text.substr(0, most)) + (text.size() > most ? "...\"" : "\"");
}

}  // namespace framestow::inspect
