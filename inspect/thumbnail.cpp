#include "thumbnail.h"

#include <algorithm>

namespace framestow::inspect {

namespace {

constexpr uint16_t kFormatRgb565 = 0xF565;

// Sums kept per thumbnail column while the picture rows of one thumbnail row are added up: for
// 4-byte pixels each colour byte times alpha, then alpha; for RGB565 pixels red, green and blue.
constexpr std::size_t kSumsAPixel = 4;

uint64_t rounded_quotient(uint64_t sum, uint64_t count) {
    return (sum + count / 2) / count;
}

// The first picture column or row of each thumbnail column or row, and the end of the last.
std::vector<uint32_t> box_bounds(uint32_t picture_side, uint32_t thumbnail_side) {
    std::vector<uint32_t> bounds(thumbnail_side + 1);
    for (uint32_t i = 0; i <= thumbnail_side; ++i) {
        bounds[i] = static_cast<uint32_t>(uint64_t{i} * picture_side / thumbnail_side);
    }
    return bounds;
}

// The sums of one picture row are kept in 32 bits, in registers: a row adds at most 65535 pixels
// of 255 x 255 to a sum. They go into the 64-bit sums of the thumbnail row at the end of a box.
void add_rgba_row(const uint8_t* pixel, const std::vector<uint32_t>& columns, uint64_t* sums) {
    for (std::size_t tx = 0; tx + 1 < columns.size(); ++tx, sums += kSumsAPixel) {
        uint32_t red = 0, green = 0, blue = 0, alpha = 0;
        for (uint32_t x = columns[tx]; x < columns[tx + 1]; ++x, pixel += 4) {
            const uint32_t weight = pixel[3];
            red += pixel[0] * weight;
            green += pixel[1] * weight;
            blue += pixel[2] * weight;
            alpha += weight;
        }
        sums[0] += red;
        sums[1] += green;
        sums[2] += blue;
        sums[3] += alpha;
    }
}

void add_rgb565_row(const uint8_t* pixel, const std::vector<uint32_t>& columns, uint64_t* sums) {
    for (std::size_t tx = 0; tx + 1 < columns.size(); ++tx, sums += kSumsAPixel) {
        uint32_t red = 0, green = 0, blue = 0;
        for (uint32_t x = columns[tx]; x < columns[tx + 1]; ++x, pixel += 2) {
            const uint32_t value = pixel[0] | pixel[1] << 8;
            red += value >> 11;
            green += value >> 5 & 0x3F;
            blue += value & 0x1F;
        }
        sums[0] += red;
        sums[1] += green;
        sums[2] += blue;
    }
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
    std::vector<uint64_t> sums(std::size_t{scaled.width} * kSumsAPixel);
    uint8_t* out = thumbnail.pixels.data();
    for (uint32_t ty = 0; ty < scaled.height; ++ty) {
        std::fill(sums.begin(), sums.end(), 0);
        for (uint32_t y = rows[ty]; y < rows[ty + 1]; ++y) {
            const uint8_t* row = pixels.data() + y * row_bytes;
            rgb565 ? add_rgb565_row(row, columns, sums.data())
                   : add_rgba_row(row, columns, sums.data());
        }
        for (uint32_t tx = 0; tx < scaled.width; ++tx, out += pixel_size) {
            const uint64_t count =
                uint64_t{columns[tx + 1] - columns[tx]} * (rows[ty + 1] - rows[ty]);
            const uint64_t* box = sums.data() + std::size_t{tx} * kSumsAPixel;
            rgb565 ? store_rgb565(box, count, out) : store_rgba(box, count, out);
        }
    }
    return thumbnail;
}

}  // namespace framestow::inspect
