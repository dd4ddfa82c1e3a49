#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace framestow {

// One entry of a package: a picture, or a placeholder entry for a missing picture number (no
// file, size 0). The package writer measures and places the entries; the mapping outputs record
// them, so that the firmware finds each picture at `offset` in its package file.
struct PackageEntry {
    std::string name;     // picture file name, A001_003.png
    uint32_t size = 0;    // bytes in the package
    uint32_t offset = 0;  // from the start of the package file
};

using PackageEntries = std::vector<PackageEntry>;

}  // namespace framestow
