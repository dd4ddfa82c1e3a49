#pragma once

#include <string>
#include <vector>

#include "mapping_source.h"
#include "mapping_xml.h"
#include "output_files.h"
#include "problem.h"

// The checks that a user would otherwise do by hand with a hex viewer and the two mapping files.
// Each takes what has been read and returns one problem per disagreement; none reads a file.
namespace framestow::inspect {

// BitmapMapping.cpp against itself: its package lines, its tables, their declarations, rows and
// comments, and its application table, as the firmware compiles and uses them.
Problems check_mapping_source(const MappingSource& source);

// BitmapMapping.xml against the package tables of BitmapMapping.cpp: the same applications in
// the same order, and for each row the same picture name, size and offset.
Problems check_xml_agreement(const std::vector<XmlApp>& xml, const MappingSource& source);

struct PackagePlacement {
    Problems problems;
    // One for each slot of slots_of(source): why its bytes are not where they belong (an offset
    // that does not follow the entry before it, bytes past the end of its file), else empty.
    std::vector<std::string> slot_problems;
};

// The package files against BitmapMapping.cpp: each package with pictures is there, with the
// 8-byte header of its version and the length its line gives, and its entries lie inside it,
// back to back from offset 8; no other package file lies beside them.
PackagePlacement check_package_files(const MappingSource& source,
                                     const std::vector<PackageFile>& files);

}  // namespace framestow::inspect
