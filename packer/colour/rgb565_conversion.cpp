#include "colour/rgb565_conversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "codec/byte_order.h"

namespace framestow {

namespace {

constexpr int kMaxRed = 31;
constexpr int kMaxGreen = 63;
constexpr int kMaxBlue = 31;

constexpr int level_of(int channel, int max_level) {
    return (channel * max_level + 127) / 255;
}

constexpr int widen_level(int level, int bits) {
    return level << (8 - bits) | level >> (2 * bits - 8);
}

// The rounding and widening above as tables, since every pixel needs them three times.
struct LevelTables {
    std::array<uint8_t, 256> level5{};
    std::array<uint8_t, 256> level6{};
    std::array<uint8_t, 64> widened5{};
    std::array<uint8_t, 64> widened6{};
};

constexpr LevelTables make_level_tables() {
    LevelTables tables;
    for (int c = 0; c < 256; ++c) {
        tables.level5[c] = static_cast<uint8_t>(level_of(c, kMaxRed));
        tables.level6[c] = static_cast<uint8_t>(level_of(c, kMaxGreen));
    }
    for (int level = 0; level < 64; ++level) {
        tables.widened5[level] = static_cast<uint8_t>(widen_level(level & kMaxRed, 5));
        tables.widened6[level] = static_cast<uint8_t>(widen_level(level, 6));
    }
    return tables;
}

constexpr LevelTables kLevels = make_level_tables();

uint16_t value_of_levels(int red, int green, int blue) {
    return static_cast<uint16_t>(red << 11 | green << 5 | blue);
}

void store_value(uint8_t* out, std::size_t index, uint16_t value) {
    store_le16(out + 2 * index, value);
}

Rgb source_colour(const uint8_t* pixel, bool blue_first, const ColourChoice& choice) {
    const Rgba rgba = read_pixel32(pixel, blue_first);
    return choice.background ? composite(rgba, *choice.background) : rgba.colour;
}

// One channel's Floyd-Steinberg state: the errors owed to the current row and the row below, in
// sixteenths of a level of 8 bits, with one spare slot at each end for the errors that would
// fall outside the picture and are dropped. The error owed to the next pixel of the row is kept
// apart, in `right`.
class ChannelDiffusion {
  public:
    ChannelDiffusion(uint32_t width, const std::array<uint8_t, 256>& levels,
                     const std::array<uint8_t, 64>& widened)
        : current_(std::size_t{width} + 2),
          below_(std::size_t{width} + 2),
          levels_(levels),
          widened_(widened) {}

    // The level for `channel` at column x, its error passed on 7/16 to the right, 3/16 below
    // left, 5/16 below and 1/16 below right.
    int level_at(std::size_t x, int channel) {
        const int32_t wanted = channel * 16 + current_[x + 1] + right_;
        // (wanted + 8) >> 4 is floor((wanted + 8) / 16), the same on every platform.
        const int target = std::clamp((wanted + 8) >> 4, 0, 255);
        const int level = levels_[static_cast<std::size_t>(target)];
        const int error = target - widened_[static_cast<std::size_t>(level)];
        right_ = 7 * error;
        below_[x] += 3 * error;
        below_[x + 1] += 5 * error;
        // Column x + 2 of the row below gets its first share here.
        below_[x + 2] = error;
        return level;
    }

    void next_row() {
        current_.swap(below_);
        below_[0] = 0;
        below_[1] = 0;
        right_ = 0;
    }

  private:
    std::vector<int32_t> current_;
    std::vector<int32_t> below_;
    int32_t right_ = 0;
    const std::array<uint8_t, 256>& levels_;
    const std::array<uint8_t, 64>& widened_;
};

void convert_rounded(const uint8_t* pixels, uint8_t* out, std::size_t count, bool blue_first,
                     const ColourChoice& choice) {
    if (choice.background) {
        for (std::size_t i = 0; i < count; ++i) {
            store_value(out, i, rgb565_value(source_colour(pixels + 4 * i, blue_first, choice)));
        }
        return;
    }
    // Without compositing a pixel needs only its three bytes, wherever they lie.
    const std::size_t red_at = blue_first ? 2 : 0;
    const std::size_t blue_at = blue_first ? 0 : 2;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* pixel = pixels + 4 * i;
        store_value(out, i,
                    value_of_levels(kLevels.level5[pixel[red_at]], kLevels.level6[pixel[1]],
                                    kLevels.level5[pixel[blue_at]]));
    }
}

// Rows top to bottom, each left to right; every channel diffuses its own error.
void convert_dithered(const uint8_t* pixels, uint8_t* out, uint32_t width, uint32_t height,
                      bool blue_first, const ColourChoice& choice) {
    ChannelDiffusion red(width, kLevels.level5, kLevels.widened5);
    ChannelDiffusion green(width, kLevels.level6, kLevels.widened6);
    ChannelDiffusion blue(width, kLevels.level5, kLevels.widened5);
    std::size_t i = 0;
    for (uint32_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x, ++i) {
            const Rgb colour = source_colour(pixels + 4 * i, blue_first, choice);
            store_value(
                out, i,
                value_of_levels(red.level_at(x, colour.red), green.level_at(x, colour.green),
                                blue.level_at(x, colour.blue)));
        }
        red.next_row();
        green.next_row();
        blue.next_row();
    }
}

}  // namespace

Rgba read_pixel32(const uint8_t* pixel, bool blue_first) {
    if (blue_first) {
        return {{pixel[2], pixel[1], pixel[0]}, pixel[3]};
    }
    return {{pixel[0], pixel[1], pixel[2]}, pixel[3]};
}

uint16_t rgb565_value(Rgb colour) {
    return value_of_levels(level_of(colour.red, kMaxRed), level_of(colour.green, kMaxGreen),
                           level_of(colour.blue, kMaxBlue));
}

Rgb widen_rgb565(uint16_t value) {
    return {static_cast<uint8_t>(widen_level(value >> 11, 5)),
            static_cast<uint8_t>(widen_level(value >> 5 & kMaxGreen, 6)),
            static_cast<uint8_t>(widen_level(value & kMaxBlue, 5))};
}

Rgb composite(Rgba pixel, Rgb background) {
    const int alpha = pixel.alpha;
    const auto mix = [alpha](int colour, int under) {
        return static_cast<uint8_t>((colour * alpha + under * (255 - alpha) + 127) / 255);
    };
    return {mix(pixel.colour.red, background.red), mix(pixel.colour.green, background.green),
            mix(pixel.colour.blue, background.blue)};
}

bool is_opaque(std::span<const uint8_t> pixels, bool blue_first) {
    for (std::size_t i = 0; i + 4 <= pixels.size(); i += 4) {
        if (read_pixel32(pixels.data() + i, blue_first).alpha != 255) {
            return false;
        }
    }
    return true;
}

void convert_to_rgb565(const uint8_t* pixels, uint8_t* out, uint32_t width, uint32_t height,
                       bool blue_first, const ColourChoice& choice) {
    if (choice.dither) {
        convert_dithered(pixels, out, width, height, blue_first, choice);
    } else {
        convert_rounded(pixels, out, std::size_t{width} * height, blue_first, choice);
    }
}

ColourOutcome apply_colour_choice(const ColourChoice& choice, PictureBuffer& buffer,
                                  ImageBitmap& bitmap) {
    const std::span<const uint8_t> pixels = bitmap.bytes.subspan(kPictureHeaderSize);
    if (!choice.rgb565 || bitmap.picture_kind != kPictureKindPng) {
        return ColourOutcome::kUnchanged;
    }
    // Without alpha every pixel is opaque; the alpha bytes need a look otherwise.
    if (!choice.background && bitmap.blue_first && !is_opaque(pixels, true)) {
        return ColourOutcome::kTransparentKept;
    }
    uint8_t* start = buffer.data() + kPictureHeaderSize;
    const std::size_t count = pixels.size() / 4;
    convert_to_rgb565(start, start, static_cast<uint32_t>(bitmap.width),
                      static_cast<uint32_t>(bitmap.height), bitmap.blue_first, choice);
    // The 32-bit pixels took twice the room, so the 2 bytes are inside the buffer.
    start[2 * count] = 0;
    start[2 * count + 1] = 0;
    PictureHeader header = load_picture_header(buffer.data());
    header.pixel_format = kFormatRgb565;
    store_picture_header(buffer.data(), header);
    bitmap.bytes = std::span<const uint8_t>(buffer.data(), kPictureHeaderSize + 2 * count);
    bitmap.picture_kind = kPictureKindBmp;
    return ColourOutcome::kConverted;
}

std::vector<Rgb> colours_of(std::span<const uint8_t> pixels, uint16_t pixel_format, bool blue_first,
                            const std::optional<Rgb>& background) {
    std::vector<Rgb> colours;
    if (pixel_format == kFormatRgb565) {
        for (std::size_t i = 0; i + 2 <= pixels.size(); i += 2) {
            colours.push_back(widen_rgb565(load_le16(pixels.data() + i)));
        }
        return colours;
    }
    for (std::size_t i = 0; i + 4 <= pixels.size(); i += 4) {
        const Rgba pixel = read_pixel32(pixels.data() + i, blue_first);
        colours.push_back(background ? composite(pixel, *background) : pixel.colour);
    }
    return colours;
}

std::optional<double> psnr(std::span<const Rgb> source, std::span<const Rgb> device) {
    if (source.size() != device.size() || source.empty()) {
        return std::nullopt;
    }
    uint64_t squared = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const int red = source[i].red - device[i].red;
        const int green = source[i].green - device[i].green;
        const int blue = source[i].blue - device[i].blue;
        squared += static_cast<uint64_t>(red * red + green * green + blue * blue);
    }
    if (squared == 0) {
        return std::numeric_limits<double>::infinity();
    }
    const double mean = static_cast<double>(squared) / (3.0 * static_cast<double>(source.size()));
    return 10.0 * std::log10(255.0 * 255.0 / mean);
}

}  // namespace framestow
