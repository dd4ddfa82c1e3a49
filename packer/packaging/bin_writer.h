#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "packaging/bin_list.h"
#include "packaging/package_entry.h"
#include "packaging/staged_output.h"

namespace framestow {

// Package file (no multi-byte fields, so no byte order applies):
//   field      offset        width            content
//   marker     0             4                55 55 55 55
//   version    4             4                a, b, c, d of the version "a.b.c.d", one byte each
//   picture 1  8             size 1           its compressed image file, whole and unchanged
//   picture 2  8 + size 1    size 2           and so on, back to back in bin_files order
// There is no padding, table or trailer. The device finds a picture only through the offsets and
// sizes that the mapping outputs record, so these must match the bytes written exactly.

// Writes the package file `package` (into its open temporary file, which it closes; the lines name
// the final path) from the pictures of `bin_files` (real pictures only) in
// `zip_folder` (ending with a separator), with the header of the package that claims the first
// picture, and sets that package's size. Returns -1 when the file could not be created or fully
// written, or a picture could not be opened or read.
[[nodiscard]] int generate_gui_bin(BinList& bins, const std::string& zip_folder,
                                   const std::vector<std::string>& bin_files,
                                   StagedOutput& package);

// Measures each picture of `bin_files` into `entries` and completes them with their placeholder
// entries. A picture that cannot be measured gets the size 0xFFFFFFFF, which the size check then
// reports, and the result is -1.
[[nodiscard]] int collect_sizes(const std::vector<std::string>& bin_files,
                                const std::string& zip_folder, PackageEntries& entries);

// The offset of each entry: 8 for the first, then the previous offset plus the previous size.
void compute_offsets(PackageEntries& entries);

// Compares the entries' offsets with their sizes and with the package file's length. Returns 0
// when all agree, -2 when a size total disagrees.
[[nodiscard]] int check_bin_sizes(const std::string& bin_path, const PackageEntries& entries);

}  // namespace framestow
