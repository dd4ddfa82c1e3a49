// framestow-inspect's reader of BitmapMapping.cpp and the checks that run on what it read. The
// input is the file's text.
//
// The reader either refuses the text with a message naming a line, or gives a model of it. A
// model runs through every check of the source and of package files placed as its package lines
// say, without a fault; and the model, written out again in the packer's layout, reads back to
// the same model: nothing the reader takes is lost or changed on the way.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "consistency_checks.h"
#include "fuzz_check.h"
#include "mapping_source.h"
#include "picture_slots.h"

using fuzzcheck::require;
using namespace framestow::inspect;

namespace {

constexpr std::string_view kOpening =
    "/*\r\n * Description: Bitmap Mappings, this file is created by Framestow tool, DO NOT MODIFY "
    "mannually!!\r\n */\r\n\r\n#include \"utils/BitmapMapping.h\"\r\n#include "
    "\"utils/SectionConfig.h\"\r\n\r\n#define MAX_NAME_LEN 16\r\n\r\n// The mapping for the "
    "following bin files.\r\n";

std::string number(uint64_t value) {
    return std::to_string(value);
}

std::string signed_number(int64_t value) {
    return std::to_string(value);
}

std::string row_text(const TableRow& row, bool zero_count) {
    std::string text =
        "    { " + number(row.offset) + ", " + number(row.size) + (row.comma ? " }," : " }");
    if (!row.has_comment) {
        return text + "\r\n";
    }
    if (zero_count) {
        return text + " // png file count = 0\r\n";
    }
    text += " // " + number(row.comment_index) + ": ";
    text += row.comment_placeholder ? "There's no " + row.comment_name
                                    : row.comment_name + " = { offset, size }";
    return text + "\r\n";
}

std::string table_text(const BitmapTable& table) {
    std::string text = "TEXT_LOCATION_FLASH_PRAGMA\r\nconst BitmapAttribute bitmaps" +
                       table.app_id + "[" + number(table.declared_length) +
                       "] TEXT_LOCATION_FLASH_ATTRIBUTE = { // " + number(table.comment_count) +
                       ": the number of ";
    text += table.zero_count ? "items of " + table.comment_app_id
                             : "pictures of " + table.comment_app_id + " module";
    text += "\r\n";
    for (const TableRow& row : table.rows) {
        text += row_text(row, table.zero_count);
    }
    return text + "};\r\n\r\n";
}

// The model in the layout that the packer writes, with its look-up function.
std::string written(const MappingSource& source) {
    std::string text(kOpening);
    for (const PackageLine& package : source.packages) {
        text += "// " + package.name + ": version = " + number(package.version[0]) + "." +
                number(package.version[1]) + "." + number(package.version[2]) + "." +
                number(package.version[3]) + "  size = " + number(package.size) + "\r\n";
    }
    text += "\r\n";
    bool zero_count = false;
    const std::string* section = nullptr;
    for (const BitmapTable& table : source.tables) {
        if (table.zero_count && !zero_count) {
            text += "// Count = 0 for the following app\r\n";
            zero_count = true;
        }
        if (!table.zero_count && (section == nullptr || *section != table.package)) {
            text += "// " + table.package + "\r\n";
            section = &table.package;
        }
        text += table_text(table);
    }
    text += "#define BITMAP_APP_COUNT " + number(source.app_count) +
            "\r\n// Define all the apps headers here to point the bitmap address\r\n"
            "TEXT_LOCATION_FLASH_PRAGMA\r\nconst AppIndexAttribute apps[BITMAP_APP_COUNT] "
            "TEXT_LOCATION_FLASH_ATTRIBUTE = {\r\n";
    for (const AppEntry& entry : source.apps) {
        text += "    { " + signed_number(entry.bin_index) + ", " + signed_number(entry.png_count) +
                ", bitmaps" + entry.table_app_id + (entry.comma ? " }," : " }") + " // " +
                number(entry.comment_index) + ": " + entry.comment_app_id + "\r\n";
    }
    return text + "};\r\n";
}

// The model without what depends on the layout: line numbers and the look-up function.
MappingSource without_layout(MappingSource source) {
    for (PackageLine& package : source.packages) {
        package.line = 0;
    }
    for (BitmapTable& table : source.tables) {
        table.line = 0;
        for (TableRow& row : table.rows) {
            row.line = 0;
        }
    }
    for (AppEntry& entry : source.apps) {
        entry.line = 0;
    }
    source.app_count_line = 0;
    source.lookup_differs_at.reset();
    return source;
}

// Package files of the lengths the package lines give, each with the header of its version.
std::vector<PackageFile> files_for(const MappingSource& source) {
    std::vector<PackageFile> files;
    for (const PackageLine& package : source.packages) {
        PackageFile file;
        file.name = package.name;
        file.present = true;
        file.length = package.size;
        file.header = {0x55, 0x55, 0x55, 0x55};
        for (std::size_t i = 0; i < 4; ++i) {
            file.header[4 + i] = static_cast<uint8_t>(package.version[i]);
        }
        file.header_length = package.size < 8 ? static_cast<std::size_t>(package.size) : 8;
        files.push_back(file);
    }
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SourceReading reading = read_mapping_source(text);
    if (!reading.source) {
        require(reading.error.starts_with("line "), "a refusal names its line");
        return 0;
    }
    const MappingSource& source = *reading.source;
    (void)check_mapping_source(source);
    (void)check_package_files(source, files_for(source));
    std::size_t rows = 0;
    for (const BitmapTable& table : source.tables) {
        rows += table.zero_count ? 0 : table.rows.size();
    }
    require(slots_of(source).size() == rows, "one slot for every row of every package table");

    const SourceReading again = read_mapping_source(written(source));
    require(again.source.has_value(), "a model written out again is read again");
    require(without_layout(*again.source) == without_layout(source),
            "a model written out again reads back to the same model");
    return 0;
}
