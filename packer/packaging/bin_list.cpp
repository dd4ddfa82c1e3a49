#include "packaging/bin_list.h"

#include <cstdio>
#include <iostream>

#include "platform/decimal_text.h"
#include "platform/platform.h"

namespace framestow {

namespace {

constexpr uint8_t kHeaderMarker = 0x55;

// The section numbers are formatted into four digits at most, so gui9999.bin is the last
// section that can be read.
constexpr int kMaxBinSections = 9999;

std::string two_digit_number(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", n);
    return text;
}

}  // namespace

std::string app_prefix(std::string_view picture_name) {
    return std::string(picture_name.substr(0, picture_name.find('_')));
}

std::string next_bin_name(const std::string& name, int n) {
    const std::string current = two_digit_number(n);
    const std::size_t pos = name.find(current);
    if (pos == std::string::npos) {
        return name;
    }
    std::string next = name;
    next.replace(pos, current.size(), two_digit_number(n + 1));
    return next;
}

BinHeader parse_version(std::string_view version) {
    BinHeader header;
    for (std::size_t i = 0; i < 4; ++i) {
        header.bytes[i] = kHeaderMarker;
    }
    std::string_view rest = version;
    for (std::size_t part = 0; part < 4; ++part) {
        const std::size_t dot = rest.find('.');
        // The fourth number is read from all that is left, dots included.
        const std::string_view number = part < 3 ? rest.substr(0, dot) : rest;
        header.bytes[4 + part] = static_cast<uint8_t>(platform::leading_decimal(number));
        if (part < 3 && dot != std::string_view::npos) {
            rest.remove_prefix(dot + 1);
        }
    }
    return header;
}

BinList read_app_list(const std::string& config_path) {
    BinList bins;
    std::string section = next_bin_name("gui00.bin", 0);
    int count = 0;
    while (count < kMaxBinSections) {
        BinRecord record;
        record.name = platform::read_ini_value(config_path, section, "name");
        if (record.name != section) {
            break;
        }
        record.app_list = platform::read_ini_value(config_path, section, "app_list");
        record.header = parse_version(platform::read_ini_value(config_path, section, "version"));
        bins.add(std::move(record));
        ++count;
        section = next_bin_name(section, count);
    }
    return bins;
}

std::size_t BinList::find_claiming(std::string_view prefix) const {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].app_list.find(prefix) != std::string::npos) {
            return i + 1;
        }
    }
    return 0;
}

void BinList::report_unclaimed(std::string_view picture_name) {
    std::cout << "get_bin_index: Error to find for " << picture_name << std::endl;
}

int BinList::get_bin_index(std::string_view picture_name) const {
    const std::size_t bin_index = find_claiming(app_prefix(picture_name));
    if (bin_index == 0) {
        report_unclaimed(picture_name);
        return -1;
    }
    return static_cast<int>(bin_index);
}

std::string BinList::get_bin_name(std::string_view picture_name) const {
    const std::size_t bin_index = find_claiming(app_prefix(picture_name));
    if (bin_index == 0) {
        report_unclaimed(picture_name);
        return {};
    }
    return records_[bin_index - 1].name;
}

bool BinList::is_app_listed(std::string_view prefix) const {
    return find_claiming(prefix) != 0;
}

}  // namespace framestow
