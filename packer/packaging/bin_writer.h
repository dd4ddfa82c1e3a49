#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "packaging/bin_list.h"

namespace framestow {

// Package file (no multi-byte fields, so no byte order applies):
//   field      offset        width            content
//   marker     0             4                55 55 55 55
//   version    4             4                a, b, c, d of the version "a.b.c.d", one byte each
//   picture 1  8             size 1           its compressed image file, whole and unchanged
//   picture 2  8 + size 1    size 2           and so on, back to back in bin_files order
// There is no padding, table or trailer. The device finds a picture only through the offsets and
// sizes that the mapping outputs record, so these must match the bytes written exactly.

// Writes the package file at `bin_path` from the pictures of `bin_files` (real pictures only) in
// `zip_folder` (ending with a separator), with the header of the package that claims the first
// picture, and sets that package's size. Returns -1 when the file could not be created or fully
// written, or a picture could not be opened or read.
int generate_gui_bin(BinList& bins, const std::string& zip_folder,
                     const std::vector<std::string>& bin_files, const std::string& bin_path);

// Measures each picture of `bin_files` and then completes both lists with their placeholder
// entries. A picture that cannot be measured gets the size 0xFFFFFFFF, which the size check then
// reports, and the result is -1.
int collect_sizes(std::vector<std::string>& bin_files, std::vector<uint32_t>& bin_sizes,
                  const std::string& zip_folder);

// The offset of each entry: 8 for the first, then the previous offset plus the previous size.
void compute_offsets(std::vector<uint32_t>& bin_offsets, const std::vector<uint32_t>& bin_sizes);

// Compares the lists with each other and with the package file's length. Returns 0 when all
// agree, -1 when the lists differ in length, -2 when a size total disagrees; the last failed test
// decides the value.
int check_bin_sizes(const std::string& bin_path, const std::vector<std::string>& bin_files,
                    const std::vector<uint32_t>& bin_sizes,
                    const std::vector<uint32_t>& bin_offsets);

}  // namespace framestow
