#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "packaging/bin_list.h"

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
int check_all_files_name(const std::vector<std::string>& names);

// The application and picture numbers of a checked name.
PictureNumbers parse_picture_name(std::string_view name);

// Fills `bin_files` with the names, in list order, that belong to package `bin_index`, and sets
// `bin_file_name` to that package's file name ("gui01.bin"), or to empty text when it has no
// pictures. Returns -1 when the file name cannot be formatted (it is then left as it was).
int collect_bin_files(const BinList& bins, int bin_index, const std::vector<std::string>& names,
                      std::vector<std::string>& bin_files, std::string& bin_file_name);

// Inserts a placeholder entry (name of the missing number with ".png", size 0) before each real
// entry for every picture number skipped since the previous picture of the same application, so
// that each application has one entry for every number from 1 up to its highest. Returns -1 and
// changes nothing when the two lists differ in length.
int fill_gaps(std::vector<std::string>& bin_files, std::vector<uint32_t>& bin_sizes);

}  // namespace framestow
