// Hexfold's scanner given any text. The first two input bytes choose where the text is cut in
// two (u16le, modulo the text's length + 1); the rest is the text.
//
// Fed whole, fed in those two chunks, or fed one byte at a time, the scanner must give the same
// bytes: those of a plain whole-text reading of the literal rules below. Every literal gives 4
// or 8 bytes, so the output is a whole number of 4-byte words.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_check.h"
#include "scanner.h"

using fuzzcheck::require;

namespace {

class CollectingSink final : public hexfold::ScanSink {
  public:
    void write(std::span<const std::uint8_t> bytes) override {
        output.insert(output.end(), bytes.begin(), bytes.end());
    }
    void swap_failed() override { ++swap_failures; }

    std::vector<std::uint8_t> output;
    int swap_failures = 0;
};

int digit_value(std::uint8_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool is_x(std::uint8_t c) {
    return c == 'x' || c == 'X';
}

// The bytes of one literal: up to 8 digits make a 32-bit word, stored little-endian; 9 to 16
// make 8 bytes in the order of the digits. No digits, no bytes.
void append_literal(const std::vector<int>& digits, std::vector<std::uint8_t>& out) {
    if (digits.empty()) {
        return;
    }
    const std::size_t width = digits.size() <= 8 ? 8 : 16;
    std::vector<int> padded(width - digits.size(), 0);
    padded.insert(padded.end(), digits.begin(), digits.end());
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < width; i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(padded[i] * 16 + padded[i + 1]));
    }
    if (width == 8) {
        std::reverse(bytes.begin(), bytes.end());
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The literal rules read straight off the whole text: "0x" or "0X" opens a literal (a "0" after
// a "0" is still a candidate), up to 16 digits follow; the character that ends a literal is
// consumed, unless the 16th digit ended it; a literal whose last digit is "0" and that is ended
// by "x" or "X" hands that "0x" on as the prefix of the next literal.
class ReferenceReading {
  public:
    explicit ReferenceReading(std::span<const std::uint8_t> text) : text_(text) {}

    std::vector<std::uint8_t> convert() {
        std::vector<std::uint8_t> out;
        std::uint8_t c = 0;
        while (next(c)) {
            bool literal = c == '0' && prefix_follows(c);
            while (literal) {
                literal = read_literal(c, out);
            }
        }
        return out;
    }

  private:
    bool next(std::uint8_t& c) {
        if (pos_ == text_.size()) {
            return false;
        }
        c = text_[pos_++];
        return true;
    }

    // After a "0": true when an "x" or "X" follows, possibly after more "0"s.
    bool prefix_follows(std::uint8_t& c) {
        while (next(c)) {
            if (c != '0') {
                return is_x(c);
            }
        }
        return false;
    }

    // Reads one literal after its prefix; true when its end opens the next literal.
    bool read_literal(std::uint8_t& c, std::vector<std::uint8_t>& out) {
        std::vector<int> digits;
        std::uint8_t previous = c;
        bool next_literal = false;
        while (digits.size() < 16 && next(c)) {
            if (digit_value(c) < 0) {
                next_literal = is_x(c) && previous == '0';
                break;
            }
            digits.push_back(digit_value(c));
            previous = c;
        }
        append_literal(digits, out);
        return next_literal;
    }

    std::span<const std::uint8_t> text_;
    std::size_t pos_ = 0;
};

std::vector<std::uint8_t> scan(std::span<const std::uint8_t> text, std::size_t split,
                               bool byte_by_byte) {
    CollectingSink sink;
    hexfold::Scanner scanner(sink);
    if (byte_by_byte) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            scanner.feed(text.subspan(i, 1));
        }
    } else {
        scanner.feed(text.first(split));
        scanner.feed(text.subspan(split));
    }
    scanner.finish();
    require(sink.swap_failures == 0, "padding always allows the byte-order swap");
    return sink.output;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::span<const std::uint8_t> text(data + 2, size - 2);
    const std::size_t split = (data[0] | std::size_t{data[1]} << 8) % (text.size() + 1);

    const std::vector<std::uint8_t> whole = scan(text, text.size(), false);
    require(whole.size() % 4 == 0, "every literal gives a whole number of 4-byte words");
    require(scan(text, split, false) == whole, "a text cut in two gives the same bytes");
    require(scan(text, 0, true) == whole, "a text fed byte by byte gives the same bytes");
    require(ReferenceReading(text).convert() == whole, "the bytes follow the literal rules");
    return 0;
}
