#include "image_input/bmp_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/byte_order.h"
#include "image_input/loader_test_fixture.h"
#include "support/test_pictures.h"

namespace framestow {
namespace {

using testing::BmpOptions;
using testing::LoadResult;

class BmpLoaderTest : public testing::LoaderTest {
  protected:
    LoadResult load(const std::vector<uint8_t>& file) const { return load_bmp(file); }
};

// The bitmap file expected for `pixels` (rows top to bottom).
std::vector<uint8_t> expected_bitmap(uint16_t width, uint16_t height,
                                     const std::vector<uint16_t>& pixels) {
    std::vector<uint8_t> out(8 + 2 * pixels.size());
    store_le16(&out[0], 0x1234);
    store_le16(&out[2], 0xF565);
    store_le16(&out[4], width);
    store_le16(&out[6], height);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        store_le16(&out[8 + 2 * i], pixels[i]);
    }
    return out;
}

std::vector<uint16_t> pattern(std::size_t count) {
    std::vector<uint16_t> pixels;
    for (std::size_t i = 0; i < count; ++i) {
        pixels.push_back(static_cast<uint16_t>(0xA000 + 0x0101 * i));
    }
    return pixels;
}

TEST_F(BmpLoaderTest, BottomUpRowsComeOutTopDown) {
    // Stored bottom row first: p1 p2, then p3 p4.
    const std::vector<uint8_t> file = {
        'B',  'M',  86,   0,    0,    0,    0,    0,    0,    0, 70, 0, 0, 0,  // file header
        40,   0,    0,    0,    2,    0,    0,    0,    2,    0, 0,  0, 1, 0, 16, 0,
        3,    0,    0,    0,  // info header
        8,    0,    0,    0,    0,    0,    0,    0,    0,    0, 0,  0, 0, 0, 0,  0,
        0,    0,    0,    0,                                                          //
        0,    0xF8, 0,    0,    0xE0, 0x07, 0,    0,    0x1F, 0, 0,  0, 0, 0, 0,  0,  // masks
        0x01, 0x11, 0x02, 0x22, 0x03, 0x33, 0x04, 0x44,                               // p1 p2 p3 p4
    };
    expect_decoded(load(file), kPictureKindBmp, 2, 2,
                   {0x34, 0x12, 0x65, 0xF5, 0x02, 0x00, 0x02, 0x00, 0x03, 0x33, 0x04, 0x44, 0x01,
                    0x11, 0x02, 0x22});
}

TEST_F(BmpLoaderTest, RowLayoutsOfTheFileAreHonoured) {
    struct Case {
        const char* name;
        int32_t width;
        int32_t height;
        BmpOptions options;
        std::size_t cut = 0;  // bytes missing from the end of the file
    };
    const Case cases[] = {
        {"odd width, padded rows", 3, 3, {}},
        {"odd width, top-down", 5, 2, {.top_down = true}},
        {"no masks, pixels at 54", 3, 2, {.bit_fields = false}},
        {"one pixel", 1, 1, {}},
        {"65535 wide, the widest the header holds", 65535, 1, {}},
        {"no columns", 0, 4, {}},
        {"no rows", 7, 0, {}},
        {"last row's padding missing", 3, 2, {}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint16_t> pixels = pattern(std::size_t(c.width) * c.height);
        std::vector<uint8_t> file = testing::make_bmp(c.width, c.height, pixels, c.options);
        file.resize(file.size() - c.cut);
        expect_decoded(load(file), kPictureKindBmp, c.width, c.height,
                       expected_bitmap(uint16_t(c.width), uint16_t(c.height), pixels));
    }
}

std::vector<uint8_t> with_le32(std::vector<uint8_t> file, std::size_t offset, uint32_t value) {
    store_le32(&file[offset], value);
    return file;
}

// The RGB565 file with a 124-byte info header, whose masks lie at the same offsets inside it;
// the pixel data then begins at 138.
std::vector<uint8_t> with_long_info_header(std::vector<uint8_t> file) {
    constexpr std::size_t kUsualPixelOffset = 70;
    constexpr uint32_t kLongPixelOffset = 138;
    file.insert(file.begin() + kUsualPixelOffset, kLongPixelOffset - kUsualPixelOffset, 0);
    store_le32(&file[14], 124);
    return with_le32(file, testing::kBmpPixelOffsetField, kLongPixelOffset);
}

TEST_F(BmpLoaderTest, MasksInsideALongerInfoHeaderAreRead) {
    const std::vector<uint16_t> pixels = pattern(6);
    expect_decoded(load(with_long_info_header(testing::make_bmp(3, 2, pixels))), kPictureKindBmp, 3,
                   2, expected_bitmap(3, 2, pixels));
}

TEST_F(BmpLoaderTest, BadFilesAreRefusedWithAMessage) {
    const std::vector<uint8_t> good = testing::make_bmp(3, 2, pattern(6));
    const std::string picture = picture_path;
    const std::string too_large =
        "load_bmp_image: Error to open file,The file is too large. " + bitmap_path + "\n";
    const std::string bit_fields = "load_bmp_image: Unsupported bit fields in " + picture + "\n";
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        std::string out;
        bool bmp_signature;  // such a file is refused after its (empty) bitmap file is made
    };
    const Case cases[] = {
        {"empty", {}, "", false},
        {"text",
         {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!'},
         "",
         false},
        {"headers cut short", std::vector<uint8_t>(good.begin(), good.begin() + 40),
         "load_bmp_image: Error to read the headers of " + picture + "\n", true},
        {"24 bits a pixel", testing::make_bmp(3, 2, pattern(6), {.bit_count = 24}),
         "load_bmp_image: Unsupported bit count 24 in " + picture + "\n", true},
        {"run-length compression", with_le32(good, testing::kBmpCompressionField, 1),
         "load_bmp_image: Unsupported compression 1 in " + picture + "\n", true},
        {"RGB555 masks", testing::make_bmp(3, 2, pattern(6), {.masks = {0x7C00, 0x03E0, 0x001F}}),
         bit_fields, true},
        {"BGR565 masks", testing::make_bmp(3, 2, pattern(6), {.masks = {0x001F, 0x07E0, 0xF800}}),
         bit_fields, true},
        {"no green mask", with_le32(good, testing::kBmpMasksField + 4, 0), bit_fields, true},
        {"a long header's other red mask",
         with_long_info_header(with_le32(good, testing::kBmpMasksField, 0x7C00)), bit_fields, true},
        {"masks cut short", std::vector<uint8_t>(good.begin(), good.begin() + 62),
         "load_bmp_image: Error to read the headers of " + picture + "\n", true},
        {"pixel offset inside the masks", with_le32(good, testing::kBmpPixelOffsetField, 62),
         "load_bmp_image: Pixel data offset inside the headers of " + picture + "\n", true},
        {"negative width", with_le32(good, testing::kBmpWidthField, uint32_t(-3)),
         "load_bmp_image: Negative width in " + picture + "\n", true},
        {"wider than 16 bits", with_le32(good, testing::kBmpWidthField, 65536), too_large, true},
        {"taller than 16 bits", with_le32(good, testing::kBmpHeightField, uint32_t(-65536)),
         too_large, true},
        {"most negative height", with_le32(good, testing::kBmpHeightField, 0x80000000u), too_large,
         true},
        {"pixels beyond the buffer",
         with_le32(with_le32(good, testing::kBmpWidthField, 2048), testing::kBmpHeightField, 2600),
         "load_bmp_image: Pixel data too large for the bitmap buffer in " + picture + "\n", true},
        {"pixels cut short", std::vector<uint8_t>(good.begin(), good.end() - 3),
         "load_bmp_image: Pixel data runs past the end of " + picture + "\n", true},
        {"pixel offset past the end", with_le32(good, testing::kBmpPixelOffsetField, 0xFFFFFFF0u),
         "load_bmp_image: Pixel data runs past the end of " + picture + "\n", true},
        {"pixel offset inside the headers", with_le32(good, testing::kBmpPixelOffsetField, 20),
         "load_bmp_image: Pixel data offset inside the headers of " + picture + "\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult loaded = load(c.file);
        EXPECT_EQ(loaded.result, -1);
        EXPECT_EQ(loaded.out, c.out);
        EXPECT_TRUE(loaded.bitmap.bytes.empty());
        EXPECT_EQ(loaded.bmp_signature, c.bmp_signature);
    }
}

}  // namespace
}  // namespace framestow
