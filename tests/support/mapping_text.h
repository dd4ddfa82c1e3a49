#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mapping_fixed_text.h"

// The fixed parts of the mapping files that every run writes, line by line and without line
// ends, as the tests of the generator and of whole runs expect them. The fixed lines of
// BitmapMapping.cpp are the ones framestow-inspect accepts, so that the packer's output and the
// inspector's reading are held to one text.
namespace framestow::testing {

using Lines = std::vector<std::string>;

// The lines joined, each ended with CR LF, as the mapping files are written on every platform.
inline std::string crlf_text(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// The fixed opening of BitmapMapping.cpp, up to the comment that precedes the package lines.
inline Lines mapping_header_lines() {
    Lines lines(inspect::kOpeningComment.begin(), inspect::kOpeningComment.end());
    lines.insert(lines.end(), inspect::kAfterComment.begin(), inspect::kAfterComment.end());
    return lines;
}

// The one-row table of an application that no package holds.
inline Lines zero_count_table(const std::string& prefix) {
    return {"TEXT_LOCATION_FLASH_PRAGMA",
            "const BitmapAttribute bitmaps" + prefix +
                "[1] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 1: the number of items of " + prefix,
            "    { 0, 0 } // png file count = 0", "};", ""};
}

// The look-up function that closes BitmapMapping.cpp.
inline Lines get_png_offset_lines() {
    return {inspect::kLookupFunction.begin(), inspect::kLookupFunction.end()};
}

inline std::string xml_declaration() {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)";
}

// A picture's entry in BitmapMapping.xml.
struct XmlItem {
    std::string name;
    uint64_t size = 0;
    uint64_t offset = 0;
};

// An application's pictures in BitmapMapping.xml, in file order.
struct XmlApp {
    std::string id;
    std::vector<XmlItem> items;
};

// BitmapMapping.xml of applications that hold pictures.
inline Lines mapping_xml_lines(const std::vector<XmlApp>& apps) {
    Lines lines = {xml_declaration(), "<root>"};
    for (const XmlApp& app : apps) {
        lines.push_back("    <app app_id=\"" + app.id + "\">");
        for (const XmlItem& item : app.items) {
            lines.push_back("        <image_item image_name=\"" + item.name + "\" image_size=\"" +
                            std::to_string(item.size) + "\" image_offset=\"" +
                            std::to_string(item.offset) + "\"/>");
        }
        lines.push_back("    </app>");
    }
    lines.push_back("</root>");
    return lines;
}

}  // namespace framestow::testing
