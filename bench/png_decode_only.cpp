// The reference of the end-to-end timing: decodes every PNG file of a folder with libpng alone,
// with the packer loader's transforms except the widening of three-byte pixels, into one reused
// buffer, and writes nothing.
// What the packer spends beyond this is its own work: staging files, compression and the check.
//
//   png_decode_only FOLDER
//
// Prints the number of pictures, their pixel bytes and a checksum of them (which also keeps the
// decoding from being optimised away). Exit status 0, or 1 when a file cannot be read or decoded.

#include <png.h>

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "png_reading.h"

namespace {

using framestow::platform::File;

// Large enough for any picture the packer accepts (10,485,752 pixel bytes).
constexpr uint64_t kMaxPixelBytes = 10'485'752;

struct DecodeTotals {
    uint64_t pictures = 0;
    uint64_t pixel_bytes = 0;
    uint64_t checksum = 0;
};

// Palettes and low bit depths expanded, 16-bit channels cut to 8, blue first; three-byte pixels
// stay three bytes.
void set_transforms(png_structp png, png_infop /*info*/) {
    png_set_expand(png);
    png_set_bgr(png);
    png_set_strip_16(png);
    png_set_interlace_handling(png);
}

// Decodes one open PNG file into `pixels`, rows back to back.
bool decode(File& file, std::vector<uint8_t>& pixels, DecodeTotals& totals) {
    std::vector<png_bytep> rows;
    return framestow::bench::decode_png(
        file, set_transforms,
        [&](uint64_t row_bytes, uint64_t /*width*/, uint64_t height) -> uint8_t* {
            if (row_bytes * height > kMaxPixelBytes) {
                return nullptr;
            }
            pixels.resize(row_bytes * height);
            totals.pixel_bytes += row_bytes * height;
            return pixels.data();
        },
        rows);
}

// Sums one byte in 64 of each picture: cheap beside decoding, and depends on every row.
uint64_t sample_checksum(const std::vector<uint8_t>& pixels) {
    uint64_t sum = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 64) {
        sum = sum * 31 + pixels[i];
    }
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cout << "usage: png_decode_only FOLDER" << std::endl;
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<uint8_t> pixels;
    pixels.reserve(kMaxPixelBytes);
    DecodeTotals totals;
    for (const std::string& name : framestow::platform::wildcard_search(folder + "/*.png")) {
        const std::string path = folder + "/" + name;
        File file = File::open_for_reading(path);
        if (!file.is_open() || !decode(file, pixels, totals)) {
            std::cout << "png_decode_only: cannot decode " << path << std::endl;
            return 1;
        }
        totals.checksum ^= sample_checksum(pixels);
        ++totals.pictures;
    }
    std::cout << "png_decode_only: " << totals.pictures << " pictures, " << totals.pixel_bytes
              << " pixel bytes, checksum " << std::hex << totals.checksum << std::endl;
    return 0;
}
