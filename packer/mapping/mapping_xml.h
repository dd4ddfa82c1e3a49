#pragma once

#include <tinyxml2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "packaging/package_entry.h"
#include "platform/platform.h"

// BitmapMapping.xml, the same placement data for tools:
//   <root>
//       <app app_id="A001">
//           <image_item image_name="A001_001.png" image_size="1200" image_offset="8"/>
//           ...
//       </app>
//   </root>
// One "app" element per application run of each package, in package order; one "image_item"
// per entry, placeholder entries (size 0) included. Lines end with CR LF.
namespace framestow {

// Gives an empty document its declaration and its "root" element.
void create_mapping_xml(tinyxml2::XMLDocument& document);

// Adds the "app" elements of one package under "root".
void add_bin_mapping_xml(tinyxml2::XMLDocument& document, const PackageEntries& entries);

// The document as the printer lays it out (each element on its own line, four spaces of
// indentation per level), with CR LF line ends.
std::string print_mapping_xml(const tinyxml2::XMLDocument& document);

// Writes the printed document into `file`, opened for writing, and closes it. False when the file
// is not open or cannot be written in full.
[[nodiscard]] bool save_mapping_xml(const tinyxml2::XMLDocument& document, platform::File& file);

}  // namespace framestow
