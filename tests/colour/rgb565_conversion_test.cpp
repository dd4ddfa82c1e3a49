#include "colour/rgb565_conversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace framestow {
namespace {

using Bytes = std::vector<uint8_t>;

// `colours` as the PNG loader lays out a picture without alpha: red, green, blue, 0xFF.
Bytes rgb_pixels(const std::vector<Rgb>& colours) {
    Bytes pixels;
    for (const Rgb& c : colours) {
        pixels.insert(pixels.end(), {c.red, c.green, c.blue, 0xFF});
    }
    return pixels;
}

ColourChoice rgb565_choice(bool dither = false, std::optional<Rgb> background = std::nullopt) {
    ColourChoice choice;
    choice.rgb565 = true;
    choice.dither = dither;
    choice.background = background;
    return choice;
}

Bytes converted(const Bytes& pixels, uint32_t width, bool blue_first, const ColourChoice& choice) {
    Bytes out(pixels.size() / 2);
    convert_to_rgb565(pixels.data(), out.data(), width,
                      static_cast<uint32_t>(pixels.size() / 4 / width), blue_first, choice);
    return out;
}

TEST(Rgb565Conversion, EachChannelRoundsToNearestInEitherByteOrder) {
    const struct {
        Rgb colour;
        uint16_t value;
    } cases[] = {
        {{0, 0, 0}, 0x0000}, {{255, 255, 255}, 0xFFFF}, {{255, 0, 0}, 0xF800},
        {{4, 2, 4}, 0x0000}, {{5, 3, 5}, 0x0821},       {{200, 100, 50}, 0xC326},
    };
    for (const auto& c : cases) {
        const Bytes expected = {static_cast<uint8_t>(c.value), static_cast<uint8_t>(c.value >> 8)};
        EXPECT_EQ(converted(rgb_pixels({c.colour}), 1, false, rgb565_choice()), expected);
        const Bytes bgra = {c.colour.blue, c.colour.green, c.colour.red, 0xFF};
        EXPECT_EQ(converted(bgra, 1, true, rgb565_choice()), expected);
    }
}

// Red 4 everywhere: level 0 leaves an error of 4, which the next pixels collect. Worked by hand
// with the arithmetic written in the README.
TEST(Rgb565Conversion, DitherDiffusesTheErrorRightAndDown) {
    const Bytes pixels = rgb_pixels(std::vector<Rgb>(6, Rgb{4, 0, 0}));
    const ColourChoice dither = rgb565_choice(true);
    EXPECT_EQ(converted(pixels, 3, false, dither),
              (Bytes{0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x08}));
    EXPECT_EQ(converted(pixels, 3, false, rgb565_choice()), Bytes(12, 0x00));
}

TEST(Rgb565Conversion, FlatColoursThatRgb565HoldsStayFlatWhenDithered) {
    for (int level = 0; level < 64; ++level) {
        const auto value =
            static_cast<uint16_t>((level & 31) << 11 | level << 5 | (31 - level % 32));
        const Rgb colour = widen_rgb565(value);
        EXPECT_EQ(rgb565_value(colour), value) << level;
        const Bytes pixels = rgb_pixels(std::vector<Rgb>(20, colour));
        const ColourChoice dither = rgb565_choice(true);
        Bytes flat;
        for (int i = 0; i < 20; ++i) {
            flat.insert(flat.end(),
                        {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
        }
        EXPECT_EQ(converted(pixels, 5, false, dither), flat) << level;
    }
}

// A 3 x 1 picture in a bitmap buffer whose spare bytes are not zero.
struct BufferedPicture {
    PictureBuffer buffer;
    ImageBitmap bitmap;

    BufferedPicture(const Bytes& pixels, bool blue_first) {
        std::fill(buffer.begin(), buffer.begin() + 64, 0xAA);
        store_picture_header(buffer.data(), {kMagicBitmap, kFormat32, 3, 1});
        std::copy(pixels.begin(), pixels.end(), buffer.data() + kPictureHeaderSize);
        bitmap = {std::span<const uint8_t>(buffer.data(), kPictureHeaderSize + pixels.size()), 3, 1,
                  kPictureKindPng, blue_first};
    }
    Bytes bytes_through(std::size_t count) const {
        return Bytes(buffer.data(), buffer.data() + count);
    }
};

TEST(Rgb565Conversion, ConvertedPictureIsAnRgb565BitmapWithZeroBytesPastItsOddPixelCount) {
    const Bytes opaque = rgb_pixels({{200, 100, 50}, {0, 0, 0}, {5, 3, 5}});
    const Bytes red_with_alpha = {0x00, 0x00, 0xFF, 0x80, 0x00, 0x00,
                                  0xFF, 0x80, 0x00, 0x00, 0xFF, 0x80};
    // The 3 x 1 RGB565 bitmap of `pixels`, and the 2 zero bytes past them.
    const auto rgb565_bitmap = [](const Bytes& pixels) {
        Bytes bitmap = {0x34, 0x12, 0x65, 0xF5, 3, 0, 1, 0};
        bitmap.resize(bitmap.size() + pixels.size() + 2, 0x00);
        std::copy(pixels.begin(), pixels.end(), bitmap.begin() + 8);
        return bitmap;
    };
    using enum ColourOutcome;
    const struct {
        const char* name;
        Bytes pixels;
        bool blue_first;
        ColourChoice choice;
        ColourOutcome outcome;
        Bytes bitmap;  // header, pixels and the 2 bytes past them
    } cases[] = {
        {"8888 stays", opaque, false, {}, kUnchanged, Bytes{}},
        {"opaque", opaque, false, rgb565_choice(), kConverted,
         rgb565_bitmap({0x26, 0xC3, 0x00, 0x00, 0x21, 0x08})},
        {"transparent without background", red_with_alpha, true, rgb565_choice(), kTransparentKept,
         Bytes{}},
        {"onto black", red_with_alpha, true, rgb565_choice(false, Rgb{0, 0, 0}), kConverted,
         rgb565_bitmap({0x00, 0x80, 0x00, 0x80, 0x00, 0x80})},
        {"onto white", red_with_alpha, true, rgb565_choice(false, Rgb{255, 255, 255}), kConverted,
         rgb565_bitmap({0xEF, 0xFB, 0xEF, 0xFB, 0xEF, 0xFB})},
    };
    for (const auto& c : cases) {
        BufferedPicture picture(c.pixels, c.blue_first);
        const Bytes before = picture.bytes_through(kPictureHeaderSize + c.pixels.size());
        EXPECT_EQ(apply_colour_choice(c.choice, picture.buffer, picture.bitmap), c.outcome)
            << c.name;
        if (c.outcome != kConverted) {
            EXPECT_EQ(picture.bytes_through(before.size()), before) << c.name;
            EXPECT_EQ(picture.bitmap.picture_kind, kPictureKindPng) << c.name;
            continue;
        }
        EXPECT_EQ(picture.bytes_through(c.bitmap.size()), c.bitmap) << c.name;
        EXPECT_EQ(picture.bitmap.bytes.size(), c.bitmap.size() - 2) << c.name;
        EXPECT_EQ(picture.bitmap.picture_kind, kPictureKindBmp) << c.name;
    }
}

TEST(Rgb565Conversion, PsnrOverTheThreeChannels) {
    const std::vector<Rgb> source = {{10, 20, 30}, {40, 50, 60}};
    EXPECT_EQ(psnr(source, source), std::numeric_limits<double>::infinity());
    // One channel off by 1 of 6: mean squared error 1/6.
    EXPECT_NEAR(*psnr(source, std::vector<Rgb>{{10, 20, 31}, {40, 50, 60}}), 55.91, 0.01);
    EXPECT_FALSE(psnr(source, std::vector<Rgb>{{10, 20, 30}}).has_value());
}

}  // namespace
}  // namespace framestow
