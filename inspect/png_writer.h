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

// How hard libpng tries: the smallest file (zlib level 9 over its adaptive row filters), or the
// fastest, for the many thumbnails of a report: level 1 with every row filtered by its left
// neighbour (about the time of unfiltered rows, files about 4% smaller for UI pictures), and an
// opaque 4-byte picture written as RGB, without its alpha bytes.
enum class PngEffort { kSmallest, kFastest };

// The PNG file of `pixels`. A 4-byte pixel is drawn as the little-endian value 0xAARRGGBB, as a
// firmware reads it (so a picture stored red first shows red and blue exchanged); RGB565 pixels
// are widened to 8-bit RGB. Empty when libpng fails or the pixels do not fill the picture.
std::optional<std::string> encode_png(const PixelLayout& layout, std::span<const uint8_t> pixels,
                                      PngEffort effort = PngEffort::kSmallest);

}  // namespace framestow::inspect
