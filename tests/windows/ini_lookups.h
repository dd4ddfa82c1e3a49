#pragma once

#include <string_view>

// The section and key names the packer looks up, asked of every file in the comparison of the
// Linux and Windows INI lookups, in names of both letter cases.
struct IniLookup {
    std::string_view section;
    std::string_view key;
};

inline constexpr IniLookup kIniLookups[] = {
    {"png", "bit_type"},
    {"png", "block_len"},
    {"png", "zip_type"},
    {"bmp", "bit_type"},
    {"BMP", "Block_Len"},
    {"bmp", "zip_type"},
    {"gui01.bin", "name"},
    {"gui01.bin", "version"},
    {"GUI01.BIN", "APP_LIST"},
    {"gui02.bin", "app_list"},
    {"s", "k"},
    {"s", "#k"},
};
