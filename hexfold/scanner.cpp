#include "scanner.h"

#include <algorithm>
#include <cstring>

namespace hexfold {

namespace {

constexpr std::uint8_t not_a_digit = 0xFF;

std::uint8_t hex_value(std::uint8_t c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return not_a_digit;
}

bool is_prefix_x(std::uint8_t c) {
    return c == 'x' || c == 'X';
}

std::size_t round_up_to_word(std::size_t count) {
    return (count + 7) / 8 * 8;
}

}  // namespace

int swap_word_bytes(std::span<std::uint8_t> digits) {
    if (digits.size() % 8 != 0) {
        return -1;
    }
    for (std::size_t group = 0; group < digits.size(); group += 8) {
        std::uint8_t* d = digits.data() + group;
        std::swap(d[0], d[6]);
        std::swap(d[1], d[7]);
        std::swap(d[2], d[4]);
        std::swap(d[3], d[5]);
    }
    return 0;
}

void Scanner::feed(std::span<const std::uint8_t> chunk) {
    const std::uint8_t* next = chunk.data();
    const std::uint8_t* const end = next + chunk.size();
    while (next != end) {
        // Outside a literal only a "0" matters, so jump straight to the next one.
        if (state_ == State::seek_zero) {
            const void* zero = std::memchr(next, '0', static_cast<std::size_t>(end - next));
            if (zero == nullptr) {
                return;
            }
            next = static_cast<const std::uint8_t*>(zero);
        }
        take(*next);
        ++next;
    }
}

void Scanner::finish() {
    // The end of the input ends a literal like any other character that is not a digit.
    if (state_ == State::read_digits) {
        end_literal();
    }
    state_ = State::seek_zero;
}

void Scanner::take(std::uint8_t c) {
    switch (state_) {
        case State::seek_zero:
            if (c == '0') {
                state_ = State::seek_prefix;
            }
            break;
        case State::seek_prefix:
            // Another "0" stays a candidate start: "00x12" holds the literal 0x12.
            if (is_prefix_x(c)) {
                start_literal(c);
            } else if (c != '0') {
                state_ = State::seek_zero;
            }
            break;
        case State::read_digits: {
            const std::uint8_t value = hex_value(c);
            if (value != not_a_digit) {
                take_digit(c, value);
                break;
            }
            // The terminating character is consumed, except that a final digit "0" and an "x"
            // after it are read again as the prefix of the next literal.
            const bool prefix_follows = is_prefix_x(c) && previous_ == '0';
            end_literal();
            if (prefix_follows) {
                start_literal(c);
            } else {
                state_ = State::seek_zero;
            }
            break;
        }
    }
}

void Scanner::take_digit(std::uint8_t c, std::uint8_t value) {
    digits_[count_] = value;
    previous_ = c;
    ++count_;
    if (count_ == max_digits) {
        end_literal();
        state_ = State::seek_zero;
    }
}

void Scanner::start_literal(std::uint8_t prefix) {
    state_ = State::read_digits;
    count_ = 0;
    previous_ = prefix;
}

void Scanner::end_literal() {
    const std::size_t padded = round_up_to_word(count_);
    const auto first = digits_.begin();
    std::copy_backward(first, first + static_cast<std::ptrdiff_t>(count_),
                       first + static_cast<std::ptrdiff_t>(padded));
    std::fill(first, first + static_cast<std::ptrdiff_t>(padded - count_), std::uint8_t{0});

    // Up to 8 digits form a 32-bit word stored little-endian; 16 digits keep their order.
    if (padded <= 8 && swap_word_bytes(std::span(digits_.data(), padded)) != 0) {
        sink_.swap_failed();
    }

    std::array<std::uint8_t, max_digits / 2> bytes{};
    const std::size_t byte_count = padded / 2;
    for (std::size_t i = 0; i < byte_count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(digits_[2 * i] * 16 + digits_[2 * i + 1]);
    }
    if (byte_count > 0) {
        sink_.write(std::span<const std::uint8_t>(bytes.data(), byte_count));
    }
    count_ = 0;
}

}  // namespace hexfold
