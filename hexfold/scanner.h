#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace hexfold {

// Receives what the scanner produces: the bytes of each literal, in input order, and the
// report of a failed byte-order adaptation.
class ScanSink {
  public:
    virtual ~ScanSink() = default;
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    virtual void swap_failed() = 0;
};

// Reverses the order of the four digit pairs in each group of 8 digits (d0..d7 becomes
// d6 d7 d4 d5 d2 d3 d0 d1), turning the digits of a 32-bit word into little-endian byte
// order. Returns 0, or -1 without touching the digits when their count is not a multiple of 8.
int swap_word_bytes(std::span<std::uint8_t> digits);

// Picks the "0x"/"0X" hexadecimal literals out of a byte stream. The input arrives in chunks of
// any size through feed(); finish() marks its end, which also ends a literal still being read.
// Memory use is fixed whatever the input's size: the scanner keeps the digits of the current
// literal and one block of output bytes.
//
// Literals of 1 to 8 digits are padded on the left to 8 digits and written as a 32-bit
// little-endian word; literals of 9 to 16 digits are padded to 16 digits and written as 8 bytes
// in the order of their digits. Reading stops after the 16th digit; the character after it is
// scanned afresh. A literal that ends with the digit "0" followed by "x" or "X" gives that "0x"
// back as the prefix of the next literal ("0x10x20" holds two literals). A "0" that follows a
// "0" is itself a candidate start of a literal ("00x12" holds one).
class Scanner {
  public:
    explicit Scanner(ScanSink& sink) : sink_(sink) {}

    void feed(std::span<const std::uint8_t> chunk);
    void finish();

  private:
    enum class State { seek_zero, seek_prefix, read_digits };

    void take_prefix(std::uint8_t c);
    const std::uint8_t* read_digits(const std::uint8_t* next, const std::uint8_t* end);
    void start_literal(std::uint8_t prefix);
    void end_literal();
    void flush_output();

    static constexpr std::size_t max_digits = 16;
    static constexpr std::size_t output_capacity = 8192;

    ScanSink& sink_;
    State state_ = State::seek_zero;
    std::array<std::uint8_t, max_digits> digits_{};
    std::size_t count_ = 0;
    // The last character taken into the current literal: its "x" while no digit has been read.
    std::uint8_t previous_ = 0;
    // Bytes of finished literals, handed to the sink in blocks rather than literal by literal.
    std::array<std::uint8_t, output_capacity> output_{};
    std::size_t output_size_ = 0;
};

}  // namespace hexfold
