#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "packaging/bin_list.h"
#include "packaging/package_entry.h"

namespace framestow {

// A picture file name is exactly 12 characters: "A", the application number (three digits, 001
// to 999), "_", the picture number (three digits, 001 to 999), then ".png" or ".bmp", as in
// A001_012.png. The device finds a picture by these two numbers.
struct PictureNumbers {
    int32_t app = 0;
    int32_t picture = 0;
};

// Checks the names in order and stops at the first one that breaks the form, or that repeats the
// application and picture number of the name before it (A002_001.png after A002_001.bmp), with
// the line "check_all_files_name: Error for " and the name. Returns 0 when all pass, else -1.
[[nodiscard]] int check_all_files_name(const std::vector<std::string>& names);

// The application and picture numbers of a checked name.
PictureNumbers parse_picture_name(std::string_view name);

// The names, in list order, that belong to package `bin_index`: its bin_files.
std::vector<std::string> collect_bin_files(const BinList& bins, int bin_index,
                                           const std::vector<std::string>& names);

// The file name of package `bin_index`: "gui01.bin", "gui12.bin", "gui100.bin".
std::string package_file_name(int bin_index);

// Inserts a placeholder entry (name of the missing number with ".png", size 0) before each real
// entry for every picture number skipped since the previous picture of the same application, so
// that each application has one entry for every number from 1 up to its highest.
void fill_gaps(PackageEntries& entries);

}  // namespace framestow
