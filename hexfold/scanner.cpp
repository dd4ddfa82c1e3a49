#include "scanner.h"

#include <cstring>
#include <utility>

namespace hexfold {

namespace {

constexpr std::uint8_t not_a_digit = 0xFF;

// The value of each byte as a hexadecimal digit, or not_a_digit.
constexpr std::array<std::uint8_t, 256> digit_values = [] {
    std::array<std::uint8_t, 256> values{};
    values.fill(not_a_digit);
    for (int c = '0'; c <= '9'; ++c) {
        values[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        values[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
        values[static_cast<std::size_t>(c - 'A' + 'a')] = static_cast<std::uint8_t>(c - 'A' + 10);
    }
    return values;
}();

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
        switch (state_) {
            case State::seek_zero: {
                // Outside a literal only a "0" matters, so jump straight to the next one.
                const void* zero = std::memchr(next, '0', static_cast<std::size_t>(end - next));
                if (zero == nullptr) {
                    next = end;
                    break;
                }
                next = static_cast<const std::uint8_t*>(zero) + 1;
                state_ = State::seek_prefix;
                break;
            }
            case State::seek_prefix:
                take_prefix(*next);
                ++next;
                break;
            case State::read_digits:
                next = read_digits(next, end);
                break;
        }
    }
    flush_output();
}

void Scanner::finish() {
    // The end of the input ends a literal like any other character that is not a digit.
    if (state_ == State::read_digits) {
        end_literal();
    }
    state_ = State::seek_zero;
    flush_output();
}

void Scanner::take_prefix(std::uint8_t c) {
    // Another "0" stays a candidate start: "00x12" holds the literal 0x12.
    if (is_prefix_x(c)) {
        start_literal(c);
    } else if (c != '0') {
        state_ = State::seek_zero;
    }
}

// Takes digits until the literal ends or the input runs out; returns where it stopped.
const std::uint8_t* Scanner::read_digits(const std::uint8_t* next, const std::uint8_t* end) {
    for (; next != end; ++next) {
        const std::uint8_t c = *next;
        const std::uint8_t value = digit_values[c];
        if (value == not_a_digit) {
            // The terminating character is consumed, except that a final digit "0" and an "x"
            // after it are read again as the prefix of the next literal.
            const bool prefix_follows = is_prefix_x(c) && previous_ == '0';
            end_literal();
            if (prefix_follows) {
                start_literal(c);
            } else {
                state_ = State::seek_zero;
            }
            return next + 1;
        }
        digits_[count_] = value;
        previous_ = c;
        ++count_;
        if (count_ == max_digits) {
            // The character after the 16th digit is left for the next literal's search.
            end_literal();
            state_ = State::seek_zero;
            return next + 1;
        }
    }
    return end;
}

void Scanner::start_literal(std::uint8_t prefix) {
    state_ = State::read_digits;
    count_ = 0;
    previous_ = prefix;
}

void Scanner::end_literal() {
    // Pad on the left with zero digits to a whole number of 8-digit words.
    const std::size_t padded = round_up_to_word(count_);
    const std::size_t shift = padded - count_;
    for (std::size_t i = count_; i-- > 0;) {
        digits_[i + shift] = digits_[i];
    }
    for (std::size_t i = 0; i < shift; ++i) {
        digits_[i] = 0;
    }

    // Up to 8 digits form a 32-bit word stored little-endian; 16 digits keep their order.
    if (padded <= 8 && swap_word_bytes(std::span(digits_.data(), padded)) != 0) {
        sink_.swap_failed();
    }

    if (output_size_ + max_digits / 2 > output_.size()) {
        flush_output();
    }
    for (std::size_t i = 0; i < padded; i += 2) {
        output_[output_size_++] = static_cast<std::uint8_t>(digits_[i] * 16 + digits_[i + 1]);
    }
    count_ = 0;
}

void Scanner::flush_output() {
    if (output_size_ > 0) {
        sink_.write(std::span<const std::uint8_t>(output_.data(), output_size_));
        output_size_ = 0;
    }
}

}  // namespace hexfold
