#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What BitmapMapping.cpp says, as the firmware compiles it (the numbers of the initialisers) and
// as its comments describe it. Nothing is checked here beyond the shape of each line; the checks
// compare the parts with each other, with BitmapMapping.xml and with the package files.
namespace framestow::inspect {

// "// gui01.bin: version = 1.0.0.1  size = 65458"
struct PackageLine {
    std::string name;
    std::array<uint64_t, 4> version{};
    uint64_t size = 0;
    std::size_t line = 0;

    bool operator==(const PackageLine&) const = default;
};

// "    { 8, 5592 }, // 0: A001_001.png = { offset, size }" or "... // 1: There's no A001_002.png"
struct TableRow {
    uint64_t offset = 0;
    uint64_t size = 0;
    bool comma = false;  // a "," follows the closing brace
    bool has_comment = false;
    uint64_t comment_index = 0;
    std::string comment_name;          // the picture named by the comment
    bool comment_placeholder = false;  // the comment says "There's no"
    std::size_t line = 0;

    bool operator==(const TableRow&) const = default;
};

// "const BitmapAttribute bitmapsA001[3] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 3: ..." and its rows.
struct BitmapTable {
    std::string app_id;   // A001, from the name bitmapsA001
    std::string package;  // the section it stands in (gui01.bin); empty in the zero-count block
    bool zero_count = false;
    uint64_t declared_length = 0;  // [N]
    uint64_t comment_count = 0;    // the N of the declaration's comment
    std::string comment_app_id;    // the application the declaration's comment names
    std::vector<TableRow> rows;
    std::size_t line = 0;

    bool operator==(const BitmapTable&) const = default;
};

// "    { 1, 3, bitmapsA001 }, // 0: A001"
struct AppEntry {
    int64_t bin_index = 0;
    int64_t png_count = 0;
    std::string table_app_id;  // A001, from bitmapsA001
    bool comma = false;
    uint64_t comment_index = 0;
    std::string comment_app_id;
    std::size_t line = 0;

    bool operator==(const AppEntry&) const = default;
};

struct MappingSource {
    std::vector<PackageLine> packages;
    std::vector<BitmapTable> tables;  // in file order: package sections, then the zero-count block
    uint64_t app_count = 0;           // #define BITMAP_APP_COUNT
    std::size_t app_count_line = 0;
    std::vector<AppEntry> apps;
    // The first line at which the look-up function differs from the one framestow writes, or
    // empty when it is exactly that function.
    std::optional<std::size_t> lookup_differs_at;

    bool operator==(const MappingSource&) const = default;
};

struct SourceReading {
    std::optional<MappingSource> source;
    std::string
        error;  // why the text is not a BitmapMapping.cpp of framestow, when source is empty
};

// Reads the text of a BitmapMapping.cpp. Lines may end in CR LF or LF.
SourceReading read_mapping_source(std::string_view text);

// The application number of an app id such as A017 (17), or empty when the id does not have
// that form.
std::optional<int> app_number(std::string_view app_id);

}  // namespace framestow::inspect
