#include "image_input/png_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "image_input/loader_test_fixture.h"
#include "support/test_pictures.h"

namespace framestow {
namespace {

using testing::LoadResult;
using testing::PngColour;
using testing::PngOptions;

const std::string kTooLarge =
    "ReadPngFile ERR: File too large\nLoadPngImage ERR: ReadPngFile Failed-1\n";
const std::string kReadFailed = "LoadPngImage ERR: ReadPngFile Failed-1\n";

class PngLoaderTest : public testing::LoaderTest {
  protected:
    static LoadResult load(const std::vector<uint8_t>& file) { return load_png(file); }
};

// Five by four pixels, all different, so that a row or pass put in the wrong place shows.
std::vector<uint8_t> pattern_rgba() {
    std::vector<uint8_t> pixels;
    for (uint8_t i = 0; i < 20; ++i) {
        pixels.insert(pixels.end(),
                      {uint8_t(0x10 + i), uint8_t(0x40 + i), uint8_t(0x80 + i), uint8_t(0xC0 + i)});
    }
    return pixels;
}

// What the bitmap holds after the header: blue, green, red, alpha for pictures with alpha;
// red, green, blue, FF for those without.
std::vector<uint8_t> expected_pixels(const std::vector<uint8_t>& rgba, bool with_alpha) {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        if (with_alpha) {
            out.insert(out.end(), {rgba[i + 2], rgba[i + 1], rgba[i], rgba[i + 3]});
        } else {
            out.insert(out.end(), {rgba[i], rgba[i + 1], rgba[i + 2], 0xFF});
        }
    }
    return out;
}

TEST_F(PngLoaderTest, TwoByOnePictureGivesSixteenByteBitmapFile) {
    const std::vector<uint8_t> rgba = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    const LoadResult loaded = load(testing::encode_png(2, 1, rgba));
    expect_decoded(loaded, kPictureKindPng, 2, 1,
                   {0x34, 0x12, 0x88, 0x88, 0x02, 0x00, 0x01, 0x00, 0x33, 0x22, 0x11, 0x44, 0x77,
                    0x66, 0x55, 0x88});
    EXPECT_EQ(loaded.bitmap.bytes.data(), buffer().data());
}

TEST_F(PngLoaderTest, EveryAcceptedKindGivesTheFirmwareByteOrder) {
    struct Case {
        const char* name;
        PngOptions options;
        bool with_alpha;
    };
    const Case cases[] = {
        {"rgba", {PngColour::kRgba, 8, false, false}, true},
        {"rgb", {PngColour::kRgb, 8, false, false}, false},
        {"palette with transparency", {PngColour::kPalette, 8, false, true}, true},
        {"palette without transparency", {PngColour::kPalette, 8, false, false}, false},
        {"16-bit rgba", {PngColour::kRgba, 16, false, false}, true},
        {"16-bit rgb", {PngColour::kRgb, 16, false, false}, false},
        {"interlaced rgba", {PngColour::kRgba, 8, true, false}, true},
        {"interlaced rgb", {PngColour::kRgb, 8, true, false}, false},
        {"interlaced 16-bit rgb", {PngColour::kRgb, 16, true, false}, false},
    };
    const std::vector<uint8_t> rgba = pattern_rgba();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult loaded = load(testing::encode_png(5, 4, rgba, c.options));
        ASSERT_EQ(loaded.result, 0);
        EXPECT_EQ(loaded.out, "");
        const std::vector<uint8_t> bytes = loaded.bytes();
        ASSERT_EQ(bytes.size(), 88u);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 8, bytes.end()),
                  expected_pixels(rgba, c.with_alpha));
    }
}

TEST_F(PngLoaderTest, SizeLimitsAreAppliedFromTheHeader) {
    // A header that claims 60000 x 60000 pixels followed by a scrap of image data: refused
    // before libpng allocates or decodes anything for it.
    const auto claiming = [](uint32_t width, uint32_t height) {
        std::vector<uint8_t> file = testing::png_signature();
        for (const auto& chunk :
             {testing::png_chunk("IHDR", testing::png_header_data(width, height, 8, 6)),
              testing::png_chunk("IDAT", {0x78, 0x9C, 0x03, 0x00}),
              testing::png_chunk("IEND", {})}) {
            file.insert(file.end(), chunk.begin(), chunk.end());
        }
        return file;
    };
    const struct {
        const char* name;
        uint32_t width;
        uint32_t height;
        bool fits;
        bool header_only;  // a header that claims the size, not a whole picture
    } cases[] = {
        {"just fits", 1448, 1810, true, false},
        {"exactly 65535 wide", 65535, 1, true, false},
        {"one too many bytes", 1620, 1620, false, false},
        {"wider than 16 bits", 70000, 1, false, false},
        {"huge header", 60000, 60000, false, true},
        {"wider than libpng's own limit", 2000000, 1, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult loaded =
            load(c.header_only
                     ? claiming(c.width, c.height)
                     : testing::encode_png(c.width, c.height,
                                           testing::uniform_rgba(c.width, c.height, 1, 2, 3, 4)));
        EXPECT_EQ(loaded.result, c.fits ? 0 : -1);
        EXPECT_EQ(loaded.out, c.fits ? "" : kTooLarge);
        EXPECT_EQ(loaded.bitmap.width, int32_t(c.width));
        EXPECT_EQ(loaded.bitmap.height, int32_t(c.height));
        EXPECT_EQ(loaded.bitmap.picture_kind, kPictureKindPng);
        const uint64_t pixel_bytes = uint64_t(c.width) * uint64_t(c.height) * 4;
        EXPECT_EQ(loaded.bitmap.bytes.size(), c.fits ? 8 + pixel_bytes : 0u);
        if (c.fits) {
            const std::vector<uint8_t> header(loaded.bitmap.bytes.begin(),
                                              loaded.bitmap.bytes.begin() + 8);
            EXPECT_EQ(header, (std::vector<uint8_t>{0x34, 0x12, 0x88, 0x88, uint8_t(c.width),
                                                    uint8_t(c.width >> 8), uint8_t(c.height),
                                                    uint8_t(c.height >> 8)}));
        }
    }
}

TEST_F(PngLoaderTest, BadFilesFailCleanly) {
    const std::vector<uint8_t> good = testing::encode_png(5, 4, pattern_rgba());
    std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    std::vector<uint8_t> no_end_chunk(good.begin(), good.end() - 12);
    std::vector<uint8_t> bad_header_crc = good;
    bad_header_crc[testing::kPngHeaderDataOffset] ^= 0x01;  // the width, under the IHDR CRC
    std::vector<uint8_t> bad_data_crc = good;
    bad_data_crc[good.size() - 12 - 5] ^= 0x40;  // the last byte of the image data
    std::vector<uint8_t> ascii_converted = good;
    ascii_converted[4] = 0x0A;  // the CR LF of the signature turned into LF

    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        int result;
        std::string out;
        bool libpng_error;
    };
    const Case cases[] = {
        {"empty", {}, -1, "", false},
        {"one byte", {0x89}, -1, "", false},
        {"three bytes", {0x89, 'P', 'N'}, -1, "", false},
        {"signature start alone", {0x89, 'P', 'N', 'G'}, -1, kReadFailed, true},
        {"text", {'h', 'e', 'l', 'l', 'o', '\n'}, kNotPngFile, "", false},
        {"bmp", testing::make_bmp(1, 1, {0x1234}), kNotPngFile, "", false},
        {"ascii converted", ascii_converted, -1, kReadFailed, true},
        {"truncated", truncated, -1, kReadFailed, true},
        {"cut before the end chunk", no_end_chunk, -1, kReadFailed, true},
        {"damaged header", bad_header_crc, -1, kReadFailed, true},
        {"damaged image data", bad_data_crc, -1, kReadFailed, true},
        {"grey", testing::encode_png(5, 4, pattern_rgba(), {PngColour::kGrey}), -1, kReadFailed,
         false},
        {"grey with alpha", testing::encode_png(5, 4, pattern_rgba(), {PngColour::kGreyAlpha}), -1,
         kReadFailed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult loaded = load(c.file);
        EXPECT_EQ(loaded.result, c.result);
        EXPECT_EQ(loaded.out, c.out);
        EXPECT_EQ(loaded.err.starts_with("libpng error: "), c.libpng_error) << loaded.err;
        EXPECT_TRUE(loaded.bitmap.bytes.empty());
    }
}

}  // namespace
}  // namespace framestow
