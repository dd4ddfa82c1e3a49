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

    // An unsigned decimal number (after blanks); empty when there are no digits or the value
    // does not fit 64 bits.
    std::optional<uint64_t> take_unsigned();

    // The same with an optional minus sign.
    std::optional<int64_t> take_signed();

    // Letters, digits, '_' and '.' (after blanks), as in A001, gui01.bin or A001_003.png.
    std::string_view take_name();

    bool at_end() const { return rest_.empty(); }
    // At the end once trailing blanks are skipped.
    bool only_blanks_left();
    std::string_view rest() const { return rest_; }

  private:
    std::string_view rest_;
};

// `text` cut to `most` characters and with every byte outside printable ASCII shown as '?', for
// messages that quote a line of a file.
std::string quoted_excerpt(std::string_view text, std::size_t most = 60);

}  // namespace framestow::inspect
