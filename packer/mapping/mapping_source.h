#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "packaging/bin_list.h"
#include "packaging/package_entry.h"
#include "packaging/staged_output.h"

// BitmapMapping.cpp, compiled into the firmware: for every application a table of
// { offset, size } records (one per picture number, placeholder entries included), the table
// `apps` of { binIndex, pngCount, addrs } per application number, and BitmapMapping::GetPngOffset
// that looks a picture up by application and picture number. The types and the two placement
// macros come from the firmware's own headers. Every line ends with CR LF.
namespace framestow {

// One entry of the apps table; entry k stands for application number k + 1.
struct AppIndexEntry {
    std::string prefix;      // A001
    int32_t png_count = 0;   // picture slots; 0 when no package holds the application
    int32_t bin_index = -1;  // package holding the application, -1 when none
};

// Appends the C++ text of one package's tables to `package_tables`: a comment naming the
// package, then one bitmaps<prefix> table per run of equal app prefix in `entries`.
void generate_bin_mapping_section(std::string& package_tables, const BinList& bins,
                                  const PackageEntries& entries);

// The number of entries whose name begins with `prefix`, placeholder entries included.
std::size_t count_prefixed_names(std::string_view prefix, const PackageEntries& entries);

// The comment block, the includes and one comment line per package with its version and size.
std::string generate_mapping_header(const BinList& bins);

// Inserts an entry with picture count 0 for every application number missing below the highest,
// so that entry k stands for application k + 1.
void fill_missing_apps(const BinList& bins, std::vector<AppIndexEntry>& entries);

// The one-record tables of the applications without pictures (`zero_count`) and the apps table
// with BITMAP_APP_COUNT (`apps`, whose closing "};" has no line end of its own).
void generate_app_index_table(const BinList& bins, const std::vector<std::string>& names,
                              std::string& zero_count, std::string& apps);

// The text of BitmapMapping::GetPngOffset, without the line end after its closing brace.
std::string generate_get_png_offset();

// Writes BitmapMapping.cpp, `output` (into its open temporary file, which it closes; the lines name
// the final path), from the
// header, `package_tables` (the text collected by
// generate_bin_mapping_section), the apps tables of `names` and GetPngOffset. Returns -1 with a
// message when the file cannot be opened or written.
[[nodiscard]] int generate_multi_mapping_cpp(const std::string& package_tables, const BinList& bins,
                                             const std::vector<std::string>& names,
                                             StagedOutput& output);

}  // namespace framestow
