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

// zlib's levels: 1 is fastest, 9 smallest.
constexpr int kPngSmallest = 9;
constexpr int kPngFastest = 1;

// The PNG file of `pixels`. 4-byte pixels become RGBA pixels with their bytes in the order in
// which they are stored (so a picture stored blue, green, red, alpha shows red and blue
// exchanged, as its bytes are); RGB565 pixels are widened to 8-bit RGB. Empty when libpng
// fails or the pixels do not fill the picture.
std::optional<std::string> encode_png(const PixelLayout& layout, std::span<const uint8_t> pixels,
                                      int compression_level = kPngSmallest);

}  // namespace framestow::inspect
