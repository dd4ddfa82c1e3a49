#include "scanner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace hexfold {
namespace {

using Bytes = std::vector<std::uint8_t>;

class CollectingSink : public ScanSink {
  public:
    void write(std::span<const std::uint8_t> bytes) override {
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    void swap_failed() override { ++swap_failures; }

    Bytes out;
    int swap_failures = 0;
};

std::span<const std::uint8_t> as_bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Feeds the text in pieces of at most `piece` bytes.
Bytes scan(std::string_view text, std::size_t piece = SIZE_MAX) {
    CollectingSink sink;
    Scanner scanner(sink);
    for (std::size_t at = 0; at < text.size(); at += piece) {
        scanner.feed(as_bytes(text.substr(at, piece)));
    }
    scanner.finish();
    EXPECT_EQ(sink.swap_failures, 0);
    return sink.out;
}

Bytes hex_bytes(std::string_view hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

// The conversion done the slow way, reading a string with a position that really steps back:
// literals of up to 8 digits as a little-endian 32-bit value, longer ones as a big-endian
// 64-bit value.
Bytes reference_scan(std::string_view text) {
    Bytes out;
    std::size_t pos = 0;
    bool at_end = false;
    auto next = [&]() -> int {
        if (pos < text.size()) {
            return static_cast<unsigned char>(text[pos++]);
        }
        at_end = true;
        return -1;
    };
    auto digit = [](int c) -> int {
        const std::string_view hex = "0123456789abcdef";
        const auto at = hex.find(static_cast<char>(c >= 'A' && c <= 'F' ? c + 32 : c));
        return c >= 0 && at != std::string_view::npos ? static_cast<int>(at) : -1;
    };
    while (!at_end) {
        int c = next();
        if (c != '0') {
            continue;
        }
        do {
            c = next();
        } while (c == '0');
        if (c != 'x' && c != 'X') {
            continue;
        }
        int previous = c;
        int count = 0;
        std::uint64_t value = 0;
        while (count < 16) {
            c = next();
            if (digit(c) < 0) {
                break;
            }
            value = value * 16 + static_cast<std::uint64_t>(digit(c));
            previous = c;
            ++count;
        }
        if ((c == 'x' || c == 'X') && previous == '0') {
            pos -= 2;
        }
        for (int i = 0; count > 0 && i < 4 && count <= 8; ++i) {
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
        for (int i = 7; count > 8 && i >= 0; --i) {
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    return out;
}

struct Conversion {
    std::string text;
    std::string bytes;  // in hex
};

const std::vector<Conversion> conversions = {
    {"0x12345678", "78563412"},
    {"0xABC", "bc0a0000"},
    {"0x1", "01000000"},
    {"0x123456789", "0000000123456789"},
    {"0x1234567890ABCDEF", "1234567890abcdef"},
    {"0x10x20", "1000000020000000"},
    {"0x1234567890ABCDEF12", "1234567890abcdef"},
    {"0xZ", ""},
    {"0XaB 0xAB", "ab000000ab000000"},
    {"00x12", "12000000"},
    {"000x12", "12000000"},
    {"0x", ""},
    {"0x0", "00000000"},
    {"0x00x1", "0000000001000000"},
    {"0x0X1", "0000000001000000"},
    {"0x10xx", "10000000"},
    {"0x1x2", "01000000"},
    {"0xx12", ""},
    {"0x1234567890ABCDE0x5", "1234567890abcde0"},
    {"0x234567890ABCDE0x5", "0234567890abcde005000000"},
    {"0x1234567890ABCDEF0x5", "1234567890abcdef05000000"},
    {"0x12345678901234567890", "1234567890123456"},
    {"int a = 10, b = 0; char c = 'x'; 1234 0 x 0y12", ""},
    {"{0x01,0x02}\r\n0x03", "010000000200000003000000"},
    {std::string("0x1\0"
                 "0x2\xff"
                 "0x3\x1a"
                 "0x4",
                 15),
     "01000000020000000300000004000000"},
};

TEST(Scanner, ConvertsEveryLiteralOfTheText) {
    for (const Conversion& c : conversions) {
        EXPECT_EQ(scan(c.text), hex_bytes(c.bytes)) << c.text;
        EXPECT_EQ(reference_scan(c.text), hex_bytes(c.bytes)) << "reference: " << c.text;
    }
}

TEST(Scanner, GivesTheSameBytesWhereverTheInputIsSplit) {
    for (const Conversion& c : conversions) {
        for (std::size_t piece = 1; piece < c.text.size(); ++piece) {
            EXPECT_EQ(scan(c.text, piece), hex_bytes(c.bytes))
                << c.text << " in pieces of " << piece;
        }
        // Two pieces, split at every position.
        for (std::size_t split = 0; split <= c.text.size(); ++split) {
            CollectingSink sink;
            Scanner scanner(sink);
            scanner.feed(as_bytes(std::string_view(c.text).substr(0, split)));
            scanner.feed(as_bytes(std::string_view(c.text).substr(split)));
            scanner.finish();
            EXPECT_EQ(sink.out, hex_bytes(c.bytes)) << c.text << " split at " << split;
        }
    }
}

TEST(Scanner, AgreesWithAStepBackReadingOnRandomText) {
    const std::string_view alphabet = "00000xxX1aF9g ";
    std::mt19937 random(1234);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string text(round % 60, ' ');
        for (char& ch : text) {
            ch = alphabet[pick(random)];
        }
        ASSERT_EQ(scan(text, 1 + round % 7), reference_scan(text)) << text;
    }
}

TEST(SwapWordBytes, ReversesDigitPairsOfEachWordAndRefusesPartialWords) {
    Bytes digits = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(swap_word_bytes(digits), 0);
    EXPECT_EQ(digits, (Bytes{6, 7, 4, 5, 2, 3, 0, 1, 14, 15, 12, 13, 10, 11, 8, 9}));

    Bytes partial = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(swap_word_bytes(partial), -1);
    EXPECT_EQ(partial, (Bytes{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(swap_word_bytes(std::span<std::uint8_t>()), 0);
}

}  // namespace
}  // namespace hexfold
