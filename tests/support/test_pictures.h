#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

// Test pictures made in code, so that every test knows the exact bytes it expects. PNG files are
// written through libpng from pixel arrays; BMP files are built byte by byte. Failures throw
// std::runtime_error.
namespace framestow::testing {

enum class PngColour {
    kRgba,       // colour type 6
    kRgb,        // colour type 2: the alpha bytes are dropped
    kPalette,    // colour type 3: one entry for each distinct colour, at most 256
    kGrey,       // colour type 0: the red byte is the grey level
    kGreyAlpha,  // colour type 4: the red byte and the alpha byte
};

struct PngOptions {
    PngColour colour = PngColour::kRgba;
    // 8 or 16. A 16-bit sample holds the 8-bit value in its high byte and that value's
    // complement in its low byte, so a reduction that keeps the wrong byte shows.
    int bit_depth = 8;
    bool interlaced = false;  // Adam7
    // Palette pictures only: add a transparency chunk with each entry's alpha, which makes the
    // palette entries distinct by red, green, blue and alpha rather than by colour alone.
    bool palette_transparency = false;
};

// `rgba` holds width x height pixels as red, green, blue, alpha bytes, rows top to bottom.
std::vector<uint8_t> encode_png(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba,
                                const PngOptions& options = {});
void write_png(const std::filesystem::path& path, uint32_t width, uint32_t height,
               const std::vector<uint8_t>& rgba, const PngOptions& options = {});

// width x height pixels of one colour.
std::vector<uint8_t> uniform_rgba(uint32_t width, uint32_t height, uint8_t red, uint8_t green,
                                  uint8_t blue, uint8_t alpha);

// Pieces for PNG files that libpng would refuse to write: the 8-byte signature, one chunk with
// its length and CRC, and the 13 bytes of an IHDR chunk.
std::vector<uint8_t> png_signature();
std::vector<uint8_t> png_chunk(std::string_view type, const std::vector<uint8_t>& data);
std::vector<uint8_t> png_header_data(uint32_t width, uint32_t height, uint8_t bit_depth,
                                     uint8_t colour_type);

// Offsets of a PNG file written by encode_png: the IHDR chunk's data, then the first chunk
// after it.
constexpr std::size_t kPngHeaderDataOffset = 16;
constexpr std::size_t kPngFirstChunkAfterHeader = 33;

struct BmpOptions {
    bool top_down = false;  // negative height, top row stored first
    // BI_BITFIELDS with RGB565 masks at offset 54 and the pixels at 70, the usual 16-bit file;
    // otherwise BI_RGB with the pixels at 54.
    bool bit_fields = true;
    uint16_t bit_count = 16;  // written to the header only: the pixels stay 16-bit
    // The red, green and blue masks written with bit fields.
    std::array<uint32_t, 3> masks = {0xF800, 0x07E0, 0x001F};
};

// A BMP file of `pixels` (width x height 16-bit values, rows top to bottom), each stored row
// padded with zero bytes to a multiple of 4.
std::vector<uint8_t> make_bmp(int32_t width, int32_t height, const std::vector<uint16_t>& pixels,
                              const BmpOptions& options = {});

// Offsets of BMP header fields, for tests that damage them.
constexpr std::size_t kBmpPixelOffsetField = 10;
constexpr std::size_t kBmpWidthField = 18;
constexpr std::size_t kBmpHeightField = 22;
constexpr std::size_t kBmpBitCountField = 28;
constexpr std::size_t kBmpCompressionField = 30;
constexpr std::size_t kBmpMasksField = 54;

}  // namespace framestow::testing
