// The INI lookup given any bytes as config.ini, asked for the keys the packer reads. Whatever the
// file holds, a value lies on one line and is the same whatever the letter case of the names asked
// for. In a file without a UTF-16 byte order mark, a value is a piece of the file's text, without
// the blanks around it unless a pair of quotes kept them. And a file means the same in UTF-16, in
// either byte order, as in single bytes: its bytes taken as the characters U+0000 to U+00FF and
// written as UTF-16 after a byte order mark give the same values, in UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/platform.h"
#include "scratch_file.h"

using fuzzcheck::require;

namespace {

struct Lookup {
    std::string_view section;
    std::string_view key;
};

constexpr Lookup kLookups[] = {
    {"png", "bit_type"},   {"png", "zip_type"},       {"bmp", "block_len"},
    {"gui01.bin", "name"}, {"gui01.bin", "app_list"}, {"gui02.bin", "version"},
};

const fuzzcheck::ScratchFile config("config.ini");
const fuzzcheck::ScratchFile utf16_config("config_utf16.ini");

std::string upper_case(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

bool starts_with_byte_order_mark(std::string_view file) {
    return file.starts_with("\xFF\xFE") || file.starts_with("\xFE\xFF") ||
           file.starts_with("\xEF\xBB\xBF");
}

// Each byte as the character of the same number, in UTF-8.
std::string latin1_to_utf8(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

// Each byte as one UTF-16 code unit, after the byte order mark.
std::string latin1_to_utf16(std::string_view bytes, bool big_endian) {
    std::string units = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : bytes) {
        units += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return units;
}

void check_value(std::string_view file, const Lookup& lookup, const std::string& value) {
    require(value.find_first_of("\r\n") == std::string::npos, "a value lies on one line");
    if (!file.starts_with("\xFF\xFE") && !file.starts_with("\xFE\xFF")) {
        require(file.find(value) != std::string_view::npos, "a value is a piece of the file");
        if (!value.empty() && (is_blank(value.front()) || is_blank(value.back()))) {
            const bool quoted = file.find('"' + value + '"') != std::string_view::npos ||
                                file.find('\'' + value + '\'') != std::string_view::npos;
            require(quoted, "blanks around a value stay only inside quotes");
        }
    }
    const std::string shouted = framestow::platform::read_ini_value(
        config.path(), upper_case(lookup.section), upper_case(lookup.key));
    require(shouted == value, "names are matched without regard to letter case");
}

void check_same_in_utf16(std::string_view file, const std::string (&values)[std::size(kLookups)]) {
    for (const bool big_endian : {false, true}) {
        const std::string units = latin1_to_utf16(file, big_endian);
        utf16_config.write(reinterpret_cast<const uint8_t*>(units.data()), units.size());
        for (std::size_t i = 0; i < std::size(kLookups); ++i) {
            const std::string value = framestow::platform::read_ini_value(
                utf16_config.path(), kLookups[i].section, kLookups[i].key);
            require(value == latin1_to_utf8(values[i]),
                    "a UTF-16 file gives the values of the same text in single bytes");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    config.write(data, size);
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    std::string values[std::size(kLookups)];
    for (std::size_t i = 0; i < std::size(kLookups); ++i) {
        values[i] = framestow::platform::read_ini_value(config.path(), kLookups[i].section,
                                                        kLookups[i].key);
        check_value(file, kLookups[i], values[i]);
    }
    // A file that opens with a byte order mark would keep it as characters in UTF-16.
    if (!starts_with_byte_order_mark(file)) {
        check_same_in_utf16(file, values);
    }
    return 0;
}
