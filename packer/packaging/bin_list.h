#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace framestow {

// The 8 bytes that open a package file:
//   offset 0, 4 bytes: marker 55 55 55 55
//   offset 4, 4 bytes: the version numbers a, b, c, d of "a.b.c.d", one byte each
struct BinHeader {
    std::array<uint8_t, 8> bytes{};
};

// One package section of the settings file.
struct BinRecord {
    std::string name;      // "gui01.bin", equal to its section name
    uint32_t size = 0;     // length of the written package file (low 32 bits); 0 until written
    std::string app_list;  // searched for app prefixes, separators are not interpreted
    BinHeader header;
};

// The text before the first "_" of a picture file name (A001 for A001_003.png), or the whole
// name when it has no "_".
std::string app_prefix(std::string_view picture_name);

// `name` with the first occurrence of n's "%.2d" text replaced by that of n + 1:
// gui09.bin with 9 gives gui10.bin, gui99.bin with 99 gives gui100.bin.
std::string next_bin_name(const std::string& name, int n);

// The package header for a version text such as "1.0.3.12". Each of the first three numbers is
// read up to the next ".", the fourth from what is left; a text with fewer parts repeats its last
// number, and each number keeps its low 8 bits.
BinHeader parse_version(std::string_view version);

// The package sections, in the order of their numbers. A record's bin index is its position
// counted from 1, which is also the number in its package file name.
class BinList {
  public:
    // The bin index of the first package whose app_list contains the picture's app prefix, or -1
    // with the line "get_bin_index: Error to find for " and the name.
    [[nodiscard]] int get_bin_index(std::string_view picture_name) const;

    // The name of that same package, or empty text with the same line.
    std::string get_bin_name(std::string_view picture_name) const;

    // True when `prefix` occurs in the app_list of any package. Prints nothing.
    bool is_app_listed(std::string_view prefix) const;

    const std::vector<BinRecord>& records() const { return records_; }
    std::size_t count() const { return records_.size(); }

    // The record with the given bin index (1 to count()).
    BinRecord& record(std::size_t bin_index) { return records_.at(bin_index - 1); }

    void add(BinRecord record) { records_.push_back(std::move(record)); }

  private:
    // The bin index of the first record that claims `prefix`, or 0 when none does.
    std::size_t find_claiming(std::string_view prefix) const;
    static void report_unclaimed(std::string_view picture_name);

    std::vector<BinRecord> records_;
};

// Reads the sections gui01.bin, gui02.bin, ... of the INI file at `config_path` until the first
// one whose "name" is not its own section name; each section read becomes a record.
BinList read_app_list(const std::string& config_path);

}  // namespace framestow
