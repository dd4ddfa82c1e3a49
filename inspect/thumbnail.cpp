#include "thumbnail.h"

#include <algorithm>
#include <array>

namespace framestow::inspect {

namespace {

constexpr uint16_t kFormatRgb565 = 0xF565;

// Sums kept for each picture column while the picture rows of one thumbnail row are added up:
// for 4-byte pixels each colour byte times alpha, then alpha; for RGB565 pixels red, green and
// blue. A column adds at most 65535 rows of 255 x 255, which fits 32 bits; the columns of a box
// are then added up in 64 bits.
constexpr std::size_t kSumsAPixel = 4;

// The sums of the small boxes of a thumbnail fit 32 bits, and many processors divide 32-bit
// numbers several times faster than 64-bit ones.
uint64_t rounded_quotient(uint64_t sum, uint64_t count) {
    const uint64_t rounded = sum + count / 2;
    if ((rounded | count) <= UINT32_MAX) {
        return static_cast<uint32_t>(rounded) / static_cast<uint32_t>(count);
    }
    return rounded / count;
}

// The first picture column or row of each thumbnail column or row, and the end of the last.
std::vector<uint32_t> box_bounds(uint32_t picture_side, uint32_t thumbnail_side) {
    std::vector<uint32_t> bounds(thumbnail_side + 1);
    for (uint32_t i = 0; i <= thumbnail_side; ++i) {
        bounds[i] = static_cast<uint32_t>(uint64_t{i} * picture_side / thumbnail_side);
    }
    return bounds;
}

// One plain pass along the row, the same steps for every pixel, which the compiler can run on
// several pixels at once; the boxes are summed afterwards, once a thumbnail row.
void add_rgba_row(const uint8_t* pixel, std::size_t width, uint32_t* sums) {
    for (std::size_t x = 0; x < width; ++x, pixel += 4, sums += kSumsAPixel) {
        const uint32_t weight = pixel[3];
        sums[0] += pixel[0] * weight;
        sums[1] += pixel[1] * weight;
        sums[2] += pixel[2] * weight;
        sums[3] += weight;
    }
}

void add_rgb565_row(const uint8_t* pixel, std::size_t width, uint32_t* sums) {
    for (std::size_t x = 0; x < width; ++x, pixel += 2, sums += kSumsAPixel) {
        const uint32_t value = pixel[0] | pixel[1] << 8;
        sums[0] += value >> 11;
        sums[1] += value >> 5 & 0x3F;
        sums[2] += value & 0x1F;
    }
}

// The sums of the picture columns [first, end) of one box.
std::array<uint64_t, kSumsAPixel> box_sums(const uint32_t* column_sums, uint32_t first,
                                           uint32_t end) {
    std::array<uint64_t, kSumsAPixel> box{};
    for (uint32_t x = first; x < end; ++x) {
        for (std::size_t c = 0; c < kSumsAPixel; ++c) {
            box[c] += column_sums[std::size_t{x} * kSumsAPixel + c];
        }
    }
    return box;
}

// A fully transparent thumbnail pixel comes out transparent black.
void store_rgba(const uint64_t* sums, uint64_t count, uint8_t* pixel) {
    for (std::size_t c = 0; c < 3; ++c) {
        pixel[c] = static_cast<uint8_t>(sums[3] == 0 ? 0 : rounded_quotient(sums[c], sums[3]));
    }
    pixel[3] = static_cast<uint8_t>(rounded_quotient(sums[3], count));
}

void store_rgb565(const uint64_t* sums, uint64_t count, uint8_t* pixel) {
    const uint64_t value = rounded_quotient(sums[0], count) << 11 |
                           rounded_quotient(sums[1], count) << 5 | rounded_quotient(sums[2], count);
    pixel[0] = static_cast<uint8_t>(value);
    pixel[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

PixelLayout thumbnail_layout(const PixelLayout& layout, uint16_t longest) {
    const uint32_t longer = std::max(layout.width, layout.height);
    if (longer <= longest) {
        return layout;
    }
    // The shorter side in proportion, rounded to the nearest pixel.
    const auto scaled = [&](uint32_t side) {
        return static_cast<uint16_t>(
            std::max<uint64_t>(1, (uint64_t{side} * longest + longer / 2) / longer));
    };
    return {layout.pixel_format, scaled(layout.width), scaled(layout.height)};
}

ScaledPicture scale_down(const PixelLayout& layout, std::span<const uint8_t> pixels,
                         uint16_t longest) {
    const bool rgb565 = layout.pixel_format == kFormatRgb565;
    const std::size_t pixel_size = rgb565 ? 2 : 4;
    const PixelLayout scaled = thumbnail_layout(layout, longest);
    if ((scaled.width == layout.width && scaled.height == layout.height) ||
        pixels.size() != uint64_t{layout.width} * layout.height * pixel_size) {
        return {layout, {pixels.begin(), pixels.end()}};
    }
    const std::vector<uint32_t> columns = box_bounds(layout.width, scaled.width);
    const std::vector<uint32_t> rows = box_bounds(layout.height, scaled.height);
    ScaledPicture thumbnail{
        scaled, std::vector<uint8_t>(std::size_t{scaled.width} * scaled.height * pixel_size)};
    const std::size_t row_bytes = std::size_t{layout.width} * pixel_size;
    std::vector<uint32_t> column_sums(std::size_t{layout.width} * kSumsAPixel);
    uint8_t* out = thumbnail.pixels.data();
    for (uint32_t ty = 0; ty < scaled.height; ++ty) {
        std::fill(column_sums.begin(), column_sums.end(), 0);
        for (uint32_t y = rows[ty]; y < rows[ty + 1]; ++y) {
            const uint8_t* row = pixels.data() + y * row_bytes;
            rgb565 ? add_rgb565_row(row, layout.width, column_sums.data())
                   : add_rgba_row(row, layout.width, column_sums.data());
        }
        for (uint32_t tx = 0; tx < scaled.width; ++tx, out += pixel_size) {
            const uint64_t count =
                uint64_t{columns[tx + 1] - columns[tx]} * (rows[ty + 1] - rows[ty]);
            const std::array<uint64_t, kSumsAPixel> box =
                box_sums(column_sums.data(), columns[tx], columns[tx + 1]);
            rgb565 ? store_rgb565(box.data(), count, out) : store_rgba(box.data(), count, out);
        }
    }
    return thumbnail;
}

}  // namespace framestow::inspect
