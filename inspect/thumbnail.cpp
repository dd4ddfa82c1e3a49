#include "thumbnail.h"

#include <algorithm>
#include <array>

namespace framestow::inspect {

namespace {

constexpr uint16_t kFormatRgb565 = 0xF565;

// The sums over the picture pixels that one thumbnail pixel covers.
struct PixelSums {
    std::array<uint64_t, 3> colour{};           // plain sums
    std::array<uint64_t, 3> weighted_colour{};  // sums of colour x alpha (4-byte pixels)
    uint64_t alpha = 0;
    uint64_t count = 0;
};

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

void add_pixel(const uint8_t* pixel, bool rgb565, PixelSums& sums) {
    ++sums.count;
    if (rgb565) {
        const unsigned value = pixel[0] | pixel[1] << 8;
        sums.colour[0] += value >> 11;
        sums.colour[1] += value >> 5 & 0x3F;
        sums.colour[2] += value & 0x1F;
        return;
    }
    const unsigned alpha = pixel[3];
    sums.alpha += alpha;
    for (std::size_t c = 0; c < 3; ++c) {
        sums.colour[c] += pixel[c];
        sums.weighted_colour[c] += uint64_t{pixel[c]} * alpha;
    }
}

void store_average(const PixelSums& sums, bool rgb565, uint8_t* pixel) {
    if (rgb565) {
        const uint64_t value = rounded_quotient(sums.colour[0], sums.count) << 11 |
                               rounded_quotient(sums.colour[1], sums.count) << 5 |
                               rounded_quotient(sums.colour[2], sums.count);
        pixel[0] = static_cast<uint8_t>(value);
        pixel[1] = static_cast<uint8_t>(value >> 8);
        return;
    }
    for (std::size_t c = 0; c < 3; ++c) {
        // Where every pixel is transparent, the plain average keeps a colour all the same.
        pixel[c] = static_cast<uint8_t>(
            sums.alpha == 0 ? rounded_quotient(sums.colour[c], sums.count)
                            : rounded_quotient(sums.weighted_colour[c], sums.alpha));
    }
    pixel[3] = static_cast<uint8_t>(rounded_quotient(sums.alpha, sums.count));
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
    std::vector<PixelSums> sums(scaled.width);
    for (uint32_t ty = 0; ty < scaled.height; ++ty) {
        std::fill(sums.begin(), sums.end(), PixelSums{});
        for (uint32_t y = rows[ty]; y < rows[ty + 1]; ++y) {
            const uint8_t* row = pixels.data() + std::size_t{y} * layout.width * pixel_size;
            for (uint32_t tx = 0; tx < scaled.width; ++tx) {
                for (uint32_t x = columns[tx]; x < columns[tx + 1]; ++x) {
                    add_pixel(row + std::size_t{x} * pixel_size, rgb565, sums[tx]);
                }
            }
        }
        for (uint32_t tx = 0; tx < scaled.width; ++tx) {
            store_average(
                sums[tx], rgb565,
                thumbnail.pixels.data() + (std::size_t{ty} * scaled.width + tx) * pixel_size);
        }
    }
    return thumbnail;
}

}  // namespace framestow::inspect
