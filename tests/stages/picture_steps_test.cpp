#include "stages/picture_steps.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "codec/codec.h"
#include "codec/codec_test_support.h"
#include "support/stdout_capture.h"
#include "support/test_pictures.h"
#include "support/workspace_harness.h"

namespace framestow {
namespace {

using testing::kBlockSettings;
using testing::kMarkerSettings;
using testing::png_settings;
using testing::put_picture;
using testing::read_bytes;
using testing::repeated_units;
using CoutCapture = testing::StdoutCapture;

class SimpleZipTest : public ::testing::Test {
  protected:
    CompressedPicture compress(const ImageBitmap& picture, const CodecSettings& settings) {
        return compress_picture(picture, settings, buffers.compressed);
    }

    // The round-trip check of the first `size` compressed bytes against the picture's pixels.
    int check(const ImageBitmap& picture, std::size_t size) {
        const DecodedPicture decoded = check_and_lay_out(
            std::span<const uint8_t>(buffers.compressed.data(), size), picture, buffers.decoded);
        return BufferUnzip(check_path, decoded, buffers.decoded);
    }

    // Compresses `picture` to a file and checks it; returns simpleZip's result and, when it
    // passed, BufferUnzip's in `check_result`.
    int zip_and_check(const ImageBitmap& picture, const CodecSettings& settings,
                      int& check_result) {
        const CompressedPicture zip = compress(picture, settings);
        const int result = simpleZip(zip_path, zip, buffers.compressed);
        if (result == 0) {
            EXPECT_EQ(zip.size, read_bytes(zip_path).size());
            check_result = check(picture, zip.size);
        }
        return result;
    }

    static std::vector<uint8_t> bytes_after(std::vector<uint8_t> header,
                                            const std::vector<uint8_t>& rest) {
        header.insert(header.end(), rest.begin(), rest.end());
        return header;
    }

    std::string file(const std::string& name) const { return (folder.path() / name).string(); }

    testing::TempFolder folder;
    std::string zip_path = file("A001_001.png");
    std::string check_path = file("check_A001_001.png");
    PictureBuffers buffers;
};

TEST_F(SimpleZipTest, WritesTheWorkedExamplesByteForByte) {
    struct Case {
        const char* name;
        CodecSettings settings;
        uint16_t width;
        uint16_t height;
        uint32_t pixel;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"three pixels, block form",
         kBlockSettings,
         3,
         1,
         0xFFFF0000,
         {0x67, 0x45, 0x88, 0x88, 3, 0, 1, 0, 0x00, 0x00, 0x06, 0x5F, 0x00, 0x00, 0xFF, 0xFF,
          0x03}},
        {"three pixels, marker form", kMarkerSettings, 3, 1, 0xFFFF0000,
         bytes_after({0x45, 0x23, 0x88, 0x88, 3, 0, 1, 0}, repeated_units(0xFFFF0000, 3))},
        {"uniform 1000 x 1000, block form",
         kBlockSettings,
         1000,
         1000,
         0x04030201,
         {0x67, 0x45, 0x88, 0x88, 0xE8, 0x03, 0xE8, 0x03, 0x00, 0x00, 0x08, 0x5F, 0x01, 0x02, 0x03,
          0x04, 0x8F, 0x42, 0x40}},
        {"one pixel with zip_type 1",
         kBlockSettings,
         1,
         1,
         0x04030201,
         {0x67, 0x45, 0x88, 0x88, 1, 0, 1, 0, 0x01, 0x02, 0x03, 0x04}},
    };
    for (const Case& c : cases) {
        const ImageBitmap picture =
            put_picture(buffers.bitmap, kFormat32, c.width, c.height,
                        repeated_units(c.pixel, std::size_t{c.width} * c.height));
        int check = -1;
        ASSERT_EQ(zip_and_check(picture, c.settings, check), 0) << c.name;
        EXPECT_EQ(check, 0) << c.name;
        EXPECT_EQ(read_bytes(zip_path), c.file) << c.name;
        std::vector<uint8_t> check_file = read_bytes(check_path);
        EXPECT_EQ(check_file, std::vector(picture.bytes.begin(), picture.bytes.end())) << c.name;
    }
}

TEST_F(SimpleZipTest, SettingsDecideMagicFormAndRefusal) {
    const CompressionSettings bmp_block{0, 1, 1};
    const CompressionSettings bmp_marker{0, 1, 0};
    struct Case {
        const char* name;
        CodecSettings settings;
        uint16_t format;
        uint16_t width;
        int zip_result;
        uint16_t magic;
        std::size_t file_size;  // two distinct pixels: marker body 8 bytes, block body 11
        const char* output = "";
    };
    const Case cases[] = {
        {"no settings", CodecSettings{}, kFormat32, 2, 0, 0x2345, 16},
        {"block_len -5", png_settings(0, -5, 1), kFormat32, 2, 0, 0x4567, 19},
        {"png zip_type 0", kMarkerSettings, kFormat32, 2, 0, 0x2345, 16},
        {"png zip_type 2", png_settings(0, 1, 2), kFormat32, 2, -1, 0, 0},
        {"png zip_type 2, one pixel", png_settings(0, 1, 2), kFormat32, 1, 0, 0x4567, 12},
        {"bit_type 1", png_settings(1, 1, 1), kFormat32, 2, -1, 0, 0},
        {"block_len 0", png_settings(0, 0, 1), kFormat32, 2, -1, 0, 0},
        {"bmp zip_type 1", CodecSettings{std::nullopt, bmp_block}, kFormatRgb565, 4, -1, 0, 0},
        {"bmp zip_type 1, one pixel", CodecSettings{std::nullopt, bmp_block}, kFormatRgb565, 1, 0,
         0x2345, 12, "BufferUnzip result = -1\n"},
        {"bmp under png zip_type 1", CodecSettings{kBlockSettings.png, bmp_marker}, kFormatRgb565,
         4, 0, 0x4567, 16},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(zip_path);
        const std::size_t bytes = std::size_t{c.width} * (c.format == kFormat32 ? 4 : 2);
        std::vector<uint8_t> pixels(bytes);
        for (std::size_t i = 0; i < bytes; ++i) {
            pixels[i] = static_cast<uint8_t>(i + 1);
        }
        const ImageBitmap picture = put_picture(buffers.bitmap, c.format, c.width, 1, pixels);
        CoutCapture capture;
        int check = -1;
        ASSERT_EQ(zip_and_check(picture, c.settings, check), c.zip_result) << c.name;
        EXPECT_EQ(capture.text(), c.output) << c.name;
        if (c.zip_result != 0) {
            EXPECT_FALSE(std::filesystem::exists(zip_path)) << c.name;
            continue;
        }
        EXPECT_EQ(check, 0) << c.name;
        const std::vector<uint8_t> file = read_bytes(zip_path);
        ASSERT_EQ(file.size(), c.file_size) << c.name;
        EXPECT_EQ(load_le16(file.data()), c.magic) << c.name;
    }
}

TEST_F(SimpleZipTest, BlockFormReplacesTheRunByteAndTheCheckShowsIt) {
    const std::vector<uint8_t> pixels = {0x5F, 1, 2, 3, 0x5E, 1,    2,    3,
                                         0x5F, 1, 2, 3, 0x11, 0x22, 0x33, 0x44};
    const ImageBitmap picture = put_picture(buffers.bitmap, kFormat32, 4, 1, pixels);
    int check = -1;
    ASSERT_EQ(zip_and_check(picture, kBlockSettings, check), 0);
    EXPECT_EQ(check, 0);
    // The three units read alike after the change, in either order, and become one run.
    EXPECT_EQ(read_bytes(zip_path),
              (std::vector<uint8_t>{0x67, 0x45, 0x88, 0x88, 4, 0,    1,    0,    0x00, 0x00, 0x0A,
                                    0x5F, 0x5E, 1,    2,    3, 0x03, 0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(read_bytes(check_path),
              (std::vector<uint8_t>{0x34, 0x12, 0x88, 0x88, 4, 0, 1, 0,    0x5E, 1,    2,   3, 0x5E,
                                    1,    2,    3,    0x5E, 1, 2, 3, 0x11, 0x22, 0x33, 0x44}));
}

TEST_F(SimpleZipTest, OddRgb565PictureIsPaddedWithZerosAndPasses) {
    std::fill(buffers.bitmap.begin(), buffers.bitmap.end(), 0xAA);
    const ImageBitmap picture =
        put_picture(buffers.bitmap, kFormatRgb565, 3, 1, {1, 2, 3, 4, 5, 6});
    CoutCapture capture;
    int check = -1;
    ASSERT_EQ(zip_and_check(picture, CodecSettings{}, check), 0);
    EXPECT_EQ(check, 0);
    EXPECT_EQ(capture.text(), "BufferUnzip result = -1\n");
    EXPECT_EQ(read_bytes(zip_path),
              (std::vector<uint8_t>{0x45, 0x23, 0x65, 0xF5, 3, 0, 1, 0, 1, 2, 3, 4, 5, 6, 0, 0}));
    EXPECT_EQ(read_bytes(check_path),
              (std::vector<uint8_t>{0x34, 0x12, 0x65, 0xF5, 3, 0, 1, 0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(SimpleZipTest, CheckFailsWhenTheDecodedPictureDiffers) {
    const std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    struct Case {
        const char* name;
        int changed_byte;      // of the pixels, after compression; -1 for none
        std::size_t size_cut;  // bytes taken off the compressed size
        const char* output;    // of the check
    };
    const Case cases[] = {
        {"pixel changed", 5, 0, "BufferUnzip: ERR,decoded picture differs at byte 5\n"},
        // The decoder refuses a body that ends before the last pixel, without a line.
        {"body cut short", -1, 4, ""},
        {"nothing left but the header", -1, 12, ""},
    };
    for (const Case& c : cases) {
        const ImageBitmap picture = put_picture(buffers.bitmap, kFormat32, 3, 1, pixels);
        const CompressedPicture zip = compress(picture, CodecSettings{});
        ASSERT_EQ(simpleZip(zip_path, zip, buffers.compressed), 0);
        if (c.changed_byte >= 0) {
            buffers.bitmap[8 + static_cast<std::size_t>(c.changed_byte)] ^= 0xFF;
        }
        CoutCapture capture;
        EXPECT_EQ(check(picture, zip.size - c.size_cut), -1) << c.name;
        EXPECT_EQ(capture.text(), c.output) << c.name;
        EXPECT_LE(read_bytes(check_path).size(), 8u) << c.name;
    }
}

TEST_F(SimpleZipTest, NoisyPictureNearTheSizeLimitFailsInsteadOfOverflowing) {
    // 1448 x 1810 pixels fill the bitmap buffer; noise leaves the block form 3 bytes a block
    // longer than the pixels, and alternating run markers double the marker form.
    uint32_t seed = 1;
    std::vector<uint8_t> noise(std::size_t{1448} * 1810 * 4);
    for (std::size_t at = 0; at < noise.size(); at += 4) {
        store_le32(&noise[at], (at / 4) % 2 == 0 ? testing::next_random(seed) | 1 : 0x23456789);
    }
    for (const CodecSettings& settings : {kBlockSettings, kMarkerSettings}) {
        const ImageBitmap picture = put_picture(buffers.bitmap, kFormat32, 1448, 1810, noise);
        CoutCapture capture;
        EXPECT_EQ(simpleZip(zip_path, compress(picture, settings), buffers.compressed), -1);
        EXPECT_TRUE(capture.text().ends_with(": ERR,Out of bond\n")) << capture.text();
        EXPECT_FALSE(std::filesystem::exists(zip_path));
    }
}

TEST_F(SimpleZipTest, ReportsFilesThatCannotBeOpened) {
    const ImageBitmap picture = put_picture(buffers.bitmap, kFormat32, 1, 1, {1, 2, 3, 4});
    const std::string missing = file("no_such_folder/A001_001.png");
    const CompressedPicture zip = compress(picture, CodecSettings{});
    const DecodedPicture decoded =
        check_and_lay_out(std::span(buffers.compressed.data(), zip.size), picture, buffers.decoded);
    CoutCapture capture;
    EXPECT_EQ(simpleZip(missing, zip, buffers.compressed), -1);
    EXPECT_EQ(BufferUnzip(missing, decoded, buffers.decoded), -1);
    EXPECT_EQ(simpleZip("", zip, buffers.compressed), -1);
    EXPECT_EQ(BufferUnzip("", decoded, buffers.decoded), -1);
    EXPECT_EQ(capture.text(), "simpleZip: Error to open file." + missing + "\n" +
                                  "BufferUnzip Error to open files = " + missing + "\n" +
                                  "simpleZip: ERR,outFile is NULL\n" +
                                  "BufferUnzip: ERR,outFile is NULL\n");
}

TEST_F(SimpleZipTest, ReportsFilesThatCannotBeWrittenInFull) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "needs a device that refuses every write";
    }
    const ImageBitmap picture = put_picture(buffers.bitmap, kFormat32, 1, 1, {1, 2, 3, 4});
    const CompressedPicture zip = compress(picture, CodecSettings{});
    const DecodedPicture decoded =
        check_and_lay_out(std::span(buffers.compressed.data(), zip.size), picture, buffers.decoded);
    CoutCapture capture;
    EXPECT_EQ(simpleZip("/dev/full", zip, buffers.compressed), -1);
    EXPECT_EQ(BufferUnzip("/dev/full", decoded, buffers.decoded), -1);
    EXPECT_EQ(capture.text(),
              "simpleZip: Error to write file./dev/full\n"
              "BufferUnzip Error to open files = /dev/full\n");
}

// The load step's files: what a loader leaves in temp/image_bitmap, with its lines and the
// stage's verdict, when the picture or its bitmap file cannot be had.
TEST(LoadStep, BitmapFilesAndVerdicts) {
    testing::TempFolder folder;
    const std::string source = (folder.path() / "A001_001.png").string();
    const std::string bitmap = (folder.path() / "bitmap.png").string();
    const std::string blocked = (folder.path() / "none" / "bitmap.png").string();
    const std::string full_disk = std::filesystem::exists("/dev/full") ? "/dev/full" : "";
    const std::vector<uint8_t> png =
        testing::encode_png(2, 1, testing::uniform_rgba(2, 1, 1, 2, 3, 4));
    const std::vector<uint8_t> bmp = testing::make_bmp(2, 1, {0x1234, 0x5678});
    const std::string png_failed = "Error: LoadPngImage for " + source + "\n";
    const std::string bmp_failed = "Error: LoadBmpImage for " + source + "result is-1\n";
    struct Case {
        const char* name;
        std::optional<std::vector<uint8_t>> file;  // none: no picture file at all
        std::string bitmap_path;
        std::string out;
        std::optional<std::size_t> bitmap_size;  // none: no bitmap file
    };
    const Case cases[] = {
        {"missing picture", std::nullopt, bitmap, png_failed, std::nullopt},
        {"text", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}, bitmap, bmp_failed, std::nullopt},
        {"BMP refused after its signature",
         testing::make_bmp(2, 1, {0x1234, 0x5678}, {.bit_count = 24}), bitmap,
         "load_bmp_image: Unsupported bit count 24 in " + source + "\n" + bmp_failed, 0},
        {"PNG, bitmap folder missing", png, blocked,
         "LoadPngImage ERR: OutPutPng Failed-1\n" + png_failed, std::nullopt},
        {"BMP, bitmap folder missing", bmp, blocked, bmp_failed, std::nullopt},
        {"PNG, full disk", png, full_disk, "LoadPngImage ERR: OutPutPng Failed-1\n" + png_failed,
         std::nullopt},
        {"BMP, full disk", bmp, full_disk, bmp_failed, std::nullopt},
    };
    PictureBuffers buffers;
    for (const Case& c : cases) {
        if (c.bitmap_path.empty()) {
            continue;
        }
        SCOPED_TRACE(c.name);
        std::filesystem::remove(source);
        std::filesystem::remove(bitmap);
        if (c.file) {
            testing::write_bytes(source, *c.file);
        }
        const PictureJob job{source,
                             c.bitmap_path,
                             (folder.path() / "zip").string(),
                             (folder.path() / "check").string(),
                             {}};
        CoutCapture capture;
        EXPECT_EQ(commit_picture(job, prepare_picture(job, CodecSettings{}, buffers), buffers), -1);
        EXPECT_EQ(capture.text(), c.out);
        if (c.bitmap_path == bitmap) {
            ASSERT_EQ(std::filesystem::exists(bitmap), c.bitmap_size.has_value());
            if (c.bitmap_size) {
                EXPECT_EQ(std::filesystem::file_size(bitmap), *c.bitmap_size);
            }
        }
        EXPECT_FALSE(std::filesystem::exists(job.compressed_path));
    }
}

}  // namespace
}  // namespace framestow
