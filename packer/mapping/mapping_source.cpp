#include "mapping/mapping_source.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "mapping/text_lines.h"
#include "packaging/picture_names.h"
#include "platform/decimal_text.h"
#include "platform/platform.h"

namespace framestow {

namespace {

// Closes a table of BitmapAttribute rows and leaves an empty line after it.
void close_table(TextLines& out) {
    out.line("};").line();
}

void open_bitmaps_table(TextLines& out, const std::string& prefix, std::size_t count) {
    out.line("TEXT_LOCATION_FLASH_PRAGMA");
    out.line("const BitmapAttribute bitmaps", prefix, "[", count,
             "] TEXT_LOCATION_FLASH_ATTRIBUTE = {", " // ", count, ":",
             " the number of pictures of ", prefix, " module");
}

// The row of entry b; the last row of a table has no trailing comma, and a placeholder entry
// (size 0) says that its picture does not exist.
void write_bitmap_row(TextLines& out, std::size_t row, const PackageEntry& entry, bool more_rows) {
    out.text("    { ", entry.offset, ", ", entry.size, more_rows ? " }," : " }");
    if (entry.size != 0) {
        out.line(" // ", row, ": ", entry.name, " = { offset, size }");
    } else {
        out.line(" // ", row, ": There's no ", entry.name);
    }
}

// Closes the run of `prefix` that ended with `last_name` after `run_length` names. Its picture
// count is the larger of the run length and the last picture number, so that missing numbers
// inside the run still get their (placeholder) rows.
AppIndexEntry close_app_run(const BinList& bins, const std::string& prefix,
                            const std::string& last_name, int32_t run_length) {
    const int32_t count = std::max(run_length, parse_picture_name(last_name).picture);
    return {prefix, bins.is_app_listed(prefix) ? count : 0, bins.get_bin_index(last_name)};
}

// The apps table entries for all picture names (sorted, so an application's pictures are
// adjacent), completed with fill_missing_apps.
std::vector<AppIndexEntry> build_app_index_entries(const BinList& bins,
                                                   const std::vector<std::string>& names) {
    std::vector<AppIndexEntry> entries;
    std::string prefix;
    int32_t run_length = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name_prefix = app_prefix(names[i]);
        if (prefix.empty()) {
            prefix = name_prefix;
            run_length = 1;
        } else if (name_prefix == prefix) {
            ++run_length;
        } else {
            entries.push_back(close_app_run(bins, prefix, names[i - 1], run_length));
            prefix = name_prefix;
            run_length = 1;
        }
    }
    if (!names.empty()) {
        entries.push_back(close_app_run(bins, prefix, names.back(), run_length));
    }
    fill_missing_apps(bins, entries);
    return entries;
}

std::string zero_count_text(const std::vector<AppIndexEntry>& entries) {
    TextLines out;
    out.line("// Count = 0 for the following app");
    for (const AppIndexEntry& entry : entries) {
        if (entry.png_count != 0) {
            continue;
        }
        out.line("TEXT_LOCATION_FLASH_PRAGMA");
        out.line("const BitmapAttribute bitmaps", entry.prefix, "[", 1,
                 "] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 1: the number of items of ", entry.prefix);
        out.line("    { 0, 0 }", " // png file count = 0");
        out.line("};");
        out.line();
    }
    return out.str();
}

std::string apps_table_text(const std::vector<AppIndexEntry>& entries) {
    TextLines out;
    out.line("#define BITMAP_APP_COUNT ", entries.size());
    out.line("// Define all the apps headers here to point the bitmap address");
    out.line("TEXT_LOCATION_FLASH_PRAGMA");
    out.line("const AppIndexAttribute apps[BITMAP_APP_COUNT] TEXT_LOCATION_FLASH_ATTRIBUTE = {");
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const AppIndexEntry& entry = entries[k];
        out.line("    { ", entry.bin_index, ", ", entry.png_count, ", bitmaps", entry.prefix,
                 k + 1 < entries.size() ? " }," : " }", " // ", k, ": ", entry.prefix);
    }
    out.text("};");
    return out.str();
}

}  // namespace

void generate_bin_mapping_section(std::string& package_tables, const BinList& bins,
                                  const PackageEntries& entries) {
    if (entries.empty()) {
        return;
    }
    TextLines out;
    out.line("// ", bins.get_bin_name(entries.front().name));
    std::string prefix;
    std::size_t row = 0;
    for (std::size_t b = 0; b < entries.size(); ++b) {
        const PackageEntry& entry = entries[b];
        const std::string entry_prefix = app_prefix(entry.name);
        if (entry_prefix == prefix) {
            ++row;
        } else {
            row = 0;
            prefix = entry_prefix;
            if (b != 0) {
                close_table(out);
            }
            open_bitmaps_table(out, prefix, count_prefixed_names(prefix, entries));
        }
        const bool more_rows = b + 1 < entries.size() && app_prefix(entries[b + 1].name) == prefix;
        write_bitmap_row(out, row, entry, more_rows);
    }
    close_table(out);
    package_tables += out.str();
}

std::size_t count_prefixed_names(std::string_view prefix, const PackageEntries& entries) {
    return static_cast<std::size_t>(
        std::count_if(entries.begin(), entries.end(), [prefix](const PackageEntry& entry) {
            return std::string_view(entry.name).substr(0, prefix.size()) == prefix;
        }));
}

std::string generate_mapping_header(const BinList& bins) {
    TextLines out;
    out.line("/*");
    out.line(" * Copyright (c) Framestow authors");
    out.line(
        " * Description: Bitmap Mappings, this file is created by Framestow tool, DO NOT MODIFY "
        "mannually!!");
    out.line(" * Author: Framestow");
    out.line(" * Create: 2019-12-17");
    out.line(" * History: generated by Framestow1.4");
    out.line(" */");
    out.line();
    out.line("#include \"utils/BitmapMapping.h\"");
    out.line("#include \"utils/SectionConfig.h\"");
    out.line();
    out.line("#define MAX_NAME_LEN 16");
    out.line();
    out.line("// The mapping for the following bin files.");
    for (const BinRecord& record : bins.records()) {
        const auto& bytes = record.header.bytes;
        out.line("// ", record.name, ": ", "version = ", int{bytes[4]}, ".", int{bytes[5]}, ".",
                 int{bytes[6]}, ".", int{bytes[7]}, "  ", "size = ", record.size);
    }
    return out.str();
}

void fill_missing_apps(const BinList& bins, std::vector<AppIndexEntry>& entries) {
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const std::string_view number =
            std::string_view(entries[j].prefix)
                .substr(std::min<std::size_t>(1, entries[j].prefix.size()), 3);
        const int64_t app_number = platform::leading_decimal(number);
        // Entries inserted here hold exactly the number of their position, so they insert
        // nothing in turn.
        for (int64_t missing = static_cast<int64_t>(j) + 1; missing < app_number; ++missing) {
            char prefix[10];
            std::snprintf(prefix, sizeof prefix, "A%.3d", static_cast<int>(missing));
            const int32_t bin_index = bins.get_bin_index(std::string(prefix) + "_000.png");
            entries.insert(entries.begin() + (missing - 1), AppIndexEntry{prefix, 0, bin_index});
        }
    }
}

void generate_app_index_table(const BinList& bins, const std::vector<std::string>& names,
                              std::string& zero_count, std::string& apps) {
    const std::vector<AppIndexEntry> entries = build_app_index_entries(bins, names);
    zero_count = zero_count_text(entries);
    apps = apps_table_text(entries);
}

std::string generate_get_png_offset() {
    TextLines out;
    out.line(
        "const BitmapAttribute *BitmapMapping::GetPngOffset(uint16_t appIndex, uint16_t pngIndex,",
        " std::string &binName)");
    out.line("{");
    out.line("    char name[MAX_NAME_LEN] = \"gui00.bin\";");
    out.line("    if ((appIndex > 0) && (appIndex <= BITMAP_APP_COUNT) &&");
    out.line("        (pngIndex > 0) && (pngIndex <= apps[appIndex - 1].pngCount)) {");
    out.line("        // snprintf_s returns -1 means formating the string failed.");
    out.line("        if (snprintf_s(name, sizeof(name), (sizeof(name) - 1), \"gui%.2d.bin\",",
             " apps[appIndex - 1].binIndex) == -1) {");
    out.line("            return nullptr;");
    out.line("        }");
    out.line();
    out.line("        binName = name;");
    out.line("        return &apps[appIndex - 1].addrs[pngIndex - 1];");
    out.line("    }");
    out.line();
    out.line("    return nullptr;");
    out.text("}");
    return out.str();
}

int generate_multi_mapping_cpp(const std::string& package_tables, const BinList& bins,
                               const std::vector<std::string>& names, StagedOutput& output) {
    platform::File& file = output.file;
    if (!file.is_open()) {
        std::cout << "generate_multi_mapping_cpp: fail to open file = " << output.final_path
                  << std::endl;
        return -1;
    }
    std::string zero_count;
    std::string apps;
    generate_app_index_table(bins, names, zero_count, apps);
    TextLines out;
    out.line(generate_mapping_header(bins));
    out.text(package_tables, zero_count, apps);
    out.line().line();
    out.line(generate_get_png_offset());
    const std::string text = out.str();
    const bool written = file.write(text.data(), text.size());
    if (!file.close() || !written) {
        std::cout << "generate_multi_mapping_cpp: fail to write file = " << output.final_path
                  << std::endl;
        return -1;
    }
    return 0;
}

}  // namespace framestow
