// The INI lookup given any bytes as config.ini, asked for the keys the packer reads. Whatever the
// file holds, a value is a piece of the file's text, without the blanks around it unless a pair
// of quotes kept them, on one line, and the same whatever the letter case of the names asked for.

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

void check_value(std::string_view file, const Lookup& lookup, const std::string& value) {
    require(file.find(value) != std::string_view::npos, "a value is a piece of the file");
    require(value.find('\n') == std::string::npos, "a value lies on one line");
    if (!value.empty() && (is_blank(value.front()) || is_blank(value.back()))) {
        const bool quoted = file.find('"' + value + '"') != std::string_view::npos ||
                            file.find('\'' + value + '\'') != std::string_view::npos;
        require(quoted, "blanks around a value stay only inside quotes");
    }
    const std::string shouted = framestow::platform::read_ini_value(
        config.path(), upper_case(lookup.section), upper_case(lookup.key));
    require(shouted == value, "names are matched without regard to letter case");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    config.write(data, size);
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    for (const Lookup& lookup : kLookups) {
        const std::string value =
            framestow::platform::read_ini_value(config.path(), lookup.section, lookup.key);
        check_value(file, lookup, value);
    }
    return 0;
}
