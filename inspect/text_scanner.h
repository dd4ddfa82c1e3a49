#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reading of the generated mapping text, one line at a time: fixed words, decimal numbers and
// names, with blanks allowed between them. Nothing here allocates per character or recurses, so
// a line of any length costs time in proportion to its length.
namespace framestow::inspect {

class TextScanner {
  public:
    explicit TextScanner(std::string_view text) : rest_(text) {}

    // Skips spaces and tabs.
    void skip_blanks();

    // Consumes `word` (after blanks) when the text continues with it.
    bool take(std::string_view word);

    // An unsigned decimal number (after blanks); empty when there are no digits, the value does
    // not fit 64 bits or a further digit follows a leading 0 (a compiler reads 030 as octal 24,
    // and framestow never writes such a number).
    std::optional<uint64_t> take_unsigned();

    // The same with an optional minus sign.
    std::optional<int64_t> take_signed();

    // Letters, digits, '_' and '.' (after blanks), as in A001, gui01.bin or A001_003.png.
    std::string_view take_name();

    bool at_end() const { return rest_.empty(); }
    // At the end once trailing blanks are skipped.
    bool only_blanks_left();

  private:
    std::string_view rest_;
};

// Whether `text` holds a number with a leading zero: a digit run starting with 0 and longer than
// one digit that does not continue a name (gui01.bin and A001 do).
bool has_leading_zero_number(std::string_view text);

// A value taken from a folder as a message shows it: a plain name (letters, digits, '_', '.',
// '-') as it stands, anything else as quoted_excerpt() quotes it, so that no byte of the value
// reaches a terminal or a page uninterpreted.
std::string shown(std::string_view value);

// `text` with every byte outside printable ASCII shown as '?'.
std::string printable(std::string_view text);

// `text` cut to `most` characters and with every byte outside printable ASCII shown as '?', for
// messages that quote a line of a file.
std::string quoted_excerpt(std::string_view text, std::size_t most = 60);

}  // namespace framestow::inspect
