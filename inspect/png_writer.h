#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Decoded pictures as PNG files, written with libpng into memory.
namespace framestow::inspect {

struct PixelLayout {
    uint16_t pixel_format = 0;  // 0x8888 or 0xF565
    uint16_t width = 0;
    uint16_t height = 0;
};

// How hard libpng tries: the smallest file (zlib level 9 over its adaptive row filters); the
// fastest, for the whole pictures of a report: level 1 with every row filtered by its left
// neighbour (about the time of unfiltered rows, files about 4% smaller for UI pictures); or, for
// the many thumbnails of a report, every row filtered by the Paeth predictor and deflated with
// runs only: about as fast, and files about 5% smaller for icons and UI pictures alike, as the
// predictor leaves few distinct bytes for the Huffman codes. The last two write an opaque 4-byte
// picture as RGB, without its alpha bytes.
enum class PngEffort { kSmallest, kFastest, kThumbnail };

// The PNG file of `pixels`. A 4-byte pixel is drawn as the little-endian value 0xAARRGGBB, as a
// firmware reads it (so a picture stored red first shows red and blue exchanged); RGB565 pixels
// are widened to 8-bit RGB. Empty when libpng fails or the pixels do not fill the picture.
std::optional<std::string> encode_png(const PixelLayout& layout, std::span<const uint8_t> pixels,
                                      PngEffort effort = PngEffort::kSmallest);

}  // namespace framestow::inspect
