#include "thumbnail.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/png_readback.h"

// The report's thumbnails: their size, pixels that average what they cover, and their colours
// in the PNG files.
namespace framestow::inspect {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Thumbnail, LongerSideAtMostTheLimitWithTheShapeKept) {
    const struct {
        uint16_t width, height, expected_width, expected_height;
    } cases[] = {{466, 466, 160, 160}, {200, 150, 160, 120}, {150, 200, 120, 160},
                 {1000, 3, 160, 1},    {160, 40, 160, 40},   {7, 1, 7, 1}};
    for (const auto& c : cases) {
        const PixelLayout scaled = thumbnail_layout({0x8888, c.width, c.height}, 160);
        EXPECT_EQ(scaled.width, c.expected_width) << c.width << "x" << c.height;
        EXPECT_EQ(scaled.height, c.expected_height) << c.width << "x" << c.height;
    }
}

TEST(Thumbnail, PixelsAverageWhatTheyCover) {
    const struct {
        const char* what;
        PixelLayout layout;
        Bytes pixels;
        Bytes expected;
    } cases[] = {
        {"transparent pixels lend no colour",
         {0x8888, 2, 1},
         {10, 20, 30, 255, 200, 200, 200, 0},
         {10, 20, 30, 128}},
        {"all transparent", {0x8888, 2, 1}, {10, 20, 30, 0, 20, 30, 40, 0}, {0, 0, 0, 0}},
        {"RGB565 by component", {0xF565, 2, 1}, {0x00, 0xF8, 0x1F, 0x00}, {0x10, 0x80}},
        {"three pixels into one",
         {0x8888, 3, 1},
         {0, 0, 0, 255, 90, 0, 0, 255, 60, 0, 0, 255},
         {50, 0, 0, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ScaledPicture thumbnail = scale_down(c.layout, c.pixels, 1);
        EXPECT_EQ(thumbnail.layout.width, 1);
        EXPECT_EQ(thumbnail.layout.height, 1);
        EXPECT_EQ(thumbnail.pixels, c.expected);
    }
}

TEST(Thumbnail, FourBytePixelsAreDrawnAsAFirmwareReadsThemWithEveryEffort) {
    // The bytes blue, green, red, alpha of the little-endian value 0xAARRGGBB, opaque and
    // translucent; an opaque picture is written without its alpha bytes when written fastest.
    for (const uint8_t alpha : {255, 128}) {
        for (const PngEffort effort : {PngEffort::kSmallest, PngEffort::kFastest}) {
            SCOPED_TRACE(std::to_string(alpha) + (effort == PngEffort::kFastest ? " fastest" : ""));
            const std::optional<std::string> png =
                encode_png({0x8888, 1, 1}, Bytes{10, 20, 60, alpha}, effort);
            ASSERT_TRUE(png);
            EXPECT_EQ(testing::decode_png(*png, PNG_FORMAT_RGBA).pixels,
                      (Bytes{60, 20, 10, alpha}));
        }
    }
}

TEST(Thumbnail, BoxesOfUnevenWidthAverageTheirOwnColumns) {
    // Red only, in 5 x 2 RGB565 pixels: columns 0-1 average 2, columns 2-4 average 20.
    const Bytes pixels = {0x00, 0x08, 0x00, 0x18, 0x00, 0x50, 0x00, 0xA0, 0x00, 0xF0,
                          0x00, 0x18, 0x00, 0x08, 0x00, 0xA0, 0x00, 0xF0, 0x00, 0x50};
    const ScaledPicture thumbnail = scale_down({0xF565, 5, 2}, pixels, 2);
    EXPECT_EQ(thumbnail.layout.width, 2);
    EXPECT_EQ(thumbnail.layout.height, 1);
    EXPECT_EQ(thumbnail.pixels, (Bytes{0x00, 0x10, 0x00, 0xA0}));
}

}  // namespace
}  // namespace framestow::inspect
