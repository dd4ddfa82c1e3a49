#include "packaging/picture_names.h"

#include <cstdio>
#include <iostream>

#include "platform/decimal_text.h"

namespace framestow {

namespace {

constexpr std::size_t kPictureNameLength = 12;
constexpr std::size_t kAppNumberPos = 1;
constexpr std::size_t kPictureNumberPos = 5;
constexpr std::size_t kNumberDigits = 3;
constexpr std::size_t kExtensionPos = 8;
constexpr std::size_t kSeparatorPos = 4;
// "A", the application number and "_": the part a placeholder entry shares with its picture.
constexpr std::size_t kPlaceholderStemLength = 5;

std::string_view number_text(std::string_view name, std::size_t pos) {
    return pos < name.size() ? name.substr(pos, kNumberDigits) : std::string_view();
}

// Three decimal digits with a value from 1 to 999. The digits test matters: a number read only
// as far as its leading digits reach (A12x) would give the firmware a table under a wrong
// application number, or a generated source that does not compile.
bool is_valid_number(std::string_view digits) {
    if (digits.size() != kNumberDigits || !platform::all_decimal_digits(digits)) {
        return false;
    }
    const int32_t value = platform::leading_decimal(digits);
    return value >= 1 && value <= 999;
}

bool has_picture_name_form(const std::string& name) {
    if (name.size() != kPictureNameLength) {
        return false;
    }
    if (name.find('A') != 0) {
        return false;
    }
    if (name.find(".png") != kExtensionPos && name.find(".bmp") != kExtensionPos) {
        return false;
    }
    if (name.find('_') != kSeparatorPos) {
        return false;
    }
    return is_valid_number(number_text(name, kAppNumberPos)) &&
           is_valid_number(number_text(name, kPictureNumberPos));
}

bool same_numbers(const PictureNumbers& a, const PictureNumbers& b) {
    return a.app == b.app && a.picture == b.picture;
}

std::string placeholder_name(const std::string& real_name, int32_t picture) {
    char number[16];
    std::snprintf(number, sizeof number, "%.3d", picture);
    return real_name.substr(0, kPlaceholderStemLength) + number + ".png";
}

}  // namespace

int check_all_files_name(const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Two files with the same numbers (A002_001.bmp and A002_001.png) would both get a row,
        // and every later picture of the application would be found one number off.
        const bool repeats_previous =
            i > 0 && same_numbers(parse_picture_name(names[i - 1]), parse_picture_name(names[i]));
        if (!has_picture_name_form(names[i]) || repeats_previous) {
            std::cout << "check_all_files_name: Error for " << names[i] << std::endl;
            return -1;
        }
    }
    return 0;
}

PictureNumbers parse_picture_name(std::string_view name) {
    return {platform::leading_decimal(number_text(name, kAppNumberPos)),
            platform::leading_decimal(number_text(name, kPictureNumberPos))};
}

std::vector<std::string> collect_bin_files(const BinList& bins, int bin_index,
                                           const std::vector<std::string>& names) {
    std::vector<std::string> bin_files;
    for (const std::string& name : names) {
        if (bins.get_bin_index(name) == bin_index) {
            bin_files.push_back(name);
        }
    }
    return bin_files;
}

std::string package_file_name(int bin_index) {
    char number[16];
    std::snprintf(number, sizeof number, "%.2d", bin_index);
    return std::string("gui") + number + ".bin";
}

void fill_gaps(PackageEntries& entries) {
    PictureNumbers previous;
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const PictureNumbers current = parse_picture_name(entries[j].name);
        int32_t expected = current.app == previous.app ? previous.picture + 1 : 1;
        previous = current;
        for (; expected < current.picture; ++expected, ++j) {
            entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(j),
                           PackageEntry{placeholder_name(entries[j].name, expected)});
        }
    }
}

}  // namespace framestow
