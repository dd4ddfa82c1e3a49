#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/mapping_text.h"
#include "support/test_pictures.h"
#include "support/workspace_harness.h"

// What whole runs of the packer are expected to print and write, for the end-to-end tests of
// the packaging stage. The expected bytes of a compressed picture are built here from the
// format's rules for two simple kinds of picture, independently of the packer's codec.
namespace framestow::e2e {

using Bytes = std::vector<uint8_t>;
using Lines = testing::Lines;

constexpr int kFailureStatus = 255;

inline std::filesystem::path built_packer() {
    return FRAMESTOW_PROGRAM;
}

// The working path as the packer prints it: links resolved.
inline std::string folder_of(const testing::PackerWorkspace& workspace) {
    return std::filesystem::canonical(workspace.root()).string();
}

template <typename Sequence>
Sequence concat(Sequence head, const Sequence& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The banner, the empty line and the working path.
inline Lines start_lines(const std::string& root) {
    return {"    Framestow1.4: The tool to generate gui.bin from png files",
            "Please download guixx.bin to flash and copy BitmapMapping.cpp to project.", "",
            "Working path is: " + root};
}

// The whole preparation stage of a run whose pictures all pass: `png_count` PNG files and
// `bmp_count` BMP files (at least one picture, fewer than 20 in all).
inline Lines preparation_lines(const std::string& root, int png_count, int bmp_count) {
    Lines lines = start_lines(root);
    const auto listing = [&root](int count, const std::string& pattern) {
        return count == 0
                   ? "Can't find the files in the path: " + root + pattern
                   : "find_all_files: count: " + std::to_string(count) + " with: " + root + pattern;
    };
    lines.push_back(listing(png_count, "/image/*.png"));
    lines.push_back(listing(bmp_count, "/image/*.bmp"));
    lines.push_back("Zipping bitmap files:");
    std::string progress;
    for (int i = 0; i < png_count + bmp_count; ++i) {
        progress += (i == 0 ? "" : " ") + std::to_string(i);
    }
    lines.push_back(progress);
    lines.push_back("");
    return lines;
}

using testing::crlf_text;
using testing::get_png_offset_lines;
using testing::mapping_header_lines;
using testing::mapping_xml_lines;
using testing::xml_declaration;
using testing::zero_count_table;

// A picture file for the image folder with the compressed image file it must give when the
// configuration has no compression sections (the marker form, magic 0x2345).
struct KnownPicture {
    std::string name;
    Bytes file;
    Bytes compressed;
};

inline void add_le16(Bytes& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

// A PNG of width x 1 pixels, all different: red `seed`, green 16 i + 1, blue 0x40, alpha 0xFF.
// No two neighbouring units are equal, so the body is the pixels' units as they are: blue,
// green, red, alpha each.
inline KnownPicture gradient_png(const std::string& name, uint16_t width, uint8_t seed) {
    Bytes rgba;
    Bytes compressed = {0x45, 0x23, 0x88, 0x88};
    add_le16(compressed, width);
    add_le16(compressed, 1);
    for (uint16_t i = 0; i < width; ++i) {
        const auto green = static_cast<uint8_t>(16 * i + 1);
        rgba.insert(rgba.end(), {seed, green, 0x40, 0xFF});
        compressed.insert(compressed.end(), {0x40, green, seed, 0xFF});
    }
    return {name, testing::encode_png(width, 1, rgba), compressed};
}

// A 4 x 2 BMP of one RGB565 value: four equal units, so the body is one marker token.
inline KnownPicture uniform_bmp(const std::string& name, uint16_t value) {
    const auto low = static_cast<uint8_t>(value);
    const auto high = static_cast<uint8_t>(value >> 8);
    return {name,
            testing::make_bmp(4, 2, std::vector<uint16_t>(8, value)),
            {0x45, 0x23, 0x65, 0xF5, 0x04, 0x00, 0x02, 0x00, 0x89, 0x67,
             0x45, 0x23, low,  high, low,  high, 0x04, 0x00, 0x00, 0x00}};
}

inline void add_pictures(const testing::PackerWorkspace& workspace,
                         const std::vector<KnownPicture>& pictures) {
    for (const KnownPicture& picture : pictures) {
        testing::write_bytes(workspace.image(picture.name), picture.file);
    }
}

// A package file: the marker bytes, the version bytes and the pictures back to back.
inline Bytes package_bytes(const Bytes& version, const std::vector<KnownPicture>& pictures) {
    Bytes bytes = {0x55, 0x55, 0x55, 0x55};
    bytes.insert(bytes.end(), version.begin(), version.end());
    for (const KnownPicture& picture : pictures) {
        bytes.insert(bytes.end(), picture.compressed.begin(), picture.compressed.end());
    }
    return bytes;
}

}  // namespace framestow::e2e
