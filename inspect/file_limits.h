#pragma once

#include <cstdint>
#include <string_view>

#include "image_input/image_bitmap.h"

// The largest files of an output folder and a workspace that framestow can write, computed from
// the format's limits. A reader refuses a larger file before it allocates anything, so that a
// link to an endless device or a planted giant file cannot make it grow without bound.
//
// The limits: config.ini gives at most 9999 package sections (gui01.bin to gui9999.bin);
// application ids run from A001 to A999 and picture numbers from 001 to 999, and an
// application's table holds at most one row per picture name, a .png and a .bmp of every number:
// 1998 rows. Offsets and sizes are 32-bit numbers. Each line below is the longest of its kind,
// with every number at its widest and the CR LF that ends it. With these limits
// BitmapMapping.cpp stays below 162 MB and BitmapMapping.xml below 205 MB.
namespace framestow::inspect::limits {

constexpr uint64_t kPackages = 9999;
constexpr uint64_t kApplications = 999;
constexpr uint64_t kRowsPerApplication = 2 * 999;

constexpr uint64_t length_of(std::string_view line) {
    return line.size();
}

// The opening comment, the includes, the zero-count line, the opening of the apps table and the
// look-up function: fixed texts of together less than this.
constexpr uint64_t kFixedText = 4096;

constexpr uint64_t kPackageLine =
    length_of("// gui9999.bin: version = 255.255.255.255  size = 4294967295\r\n");
constexpr uint64_t kSectionLine = length_of("// gui9999.bin\r\n");
constexpr uint64_t kTableLines = length_of(
    "TEXT_LOCATION_FLASH_PRAGMA\r\n"
    "const BitmapAttribute bitmapsA999[1998] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 1998: the "
    "number of pictures of A999 module\r\n"
    "};\r\n\r\n");
constexpr uint64_t kRow =
    length_of("    { 4294967295, 4294967295 }, // 1997: A999_999.png = { offset, size }\r\n");
constexpr uint64_t kZeroCountTable = length_of(
    "TEXT_LOCATION_FLASH_PRAGMA\r\n"
    "const BitmapAttribute bitmapsA999[1] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 1: the number of "
    "items of A999\r\n"
    "    { 0, 0 } // png file count = 0\r\n"
    "};\r\n\r\n");
constexpr uint64_t kAppEntry = length_of("    { 9999, 1998, bitmapsA999 }, // 998: A999\r\n");

constexpr uint64_t kMappingSource =
    kFixedText + kPackages * kPackageLine +
    kApplications *
        (kSectionLine + kTableLines + kRowsPerApplication * kRow + kZeroCountTable + kAppEntry);

constexpr uint64_t kXmlApp = length_of("    <app app_id=\"A999\">\r\n    </app>\r\n");
constexpr uint64_t kXmlItem = length_of(
    "        <image_item image_name=\"A999_999.png\" image_size=\"4294967295\" "
    "image_offset=\"4294967295\"/>\r\n");

constexpr uint64_t kMappingXml =
    kFixedText + kApplications * (kXmlApp + kRowsPerApplication * kXmlItem);

// A check file of temp/image_unzip holds a picture as the packer's buffer does.
constexpr uint64_t kCheckFile = PictureBuffer::size();

static_assert(kMappingSource < 162'000'000 && kMappingXml < 205'000'000);

}  // namespace framestow::inspect::limits
