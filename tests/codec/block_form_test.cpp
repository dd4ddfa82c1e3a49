#include "codec/block_form.h"

#include <gtest/gtest.h>

#include <vector>

#include "codec/codec.h"
#include "codec_test_support.h"

namespace framestow {
namespace {

TEST(WriteCompressData, UsesTheShortestRunLengthClass) {
    struct Case {
        std::size_t run_length;
        std::vector<uint8_t> length_bytes;
    };
    const Case cases[] = {
        {2, {0x02}},
        {63, {0x3F}},
        {64, {0x40, 0x40}},
        {16383, {0x7F, 0xFF}},
        {16384, {0x80, 0x40, 0x00}},
        {4194303, {0xBF, 0xFF, 0xFF}},
        {4194304, {0xC0, 0x40, 0x00, 0x00}},
        {1073741823, {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(9, 0xEE);
        std::size_t size = 0;
        ASSERT_EQ(WriteCompressData(out, 0x44332211, c.run_length, size), CodecStatus::kOk);
        ASSERT_EQ(size, 5 + c.length_bytes.size()) << c.run_length;
        std::vector<uint8_t> expected = {0x5F, 0x11, 0x22, 0x33, 0x44};
        expected.insert(expected.end(), c.length_bytes.begin(), c.length_bytes.end());
        expected.resize(9, 0xEE);
        EXPECT_EQ(out, expected) << c.run_length;

        // Tokens of the shorter classes, in a picture of one row that the token fills, decode
        // back to their run.
        if (c.run_length <= 16384) {
            std::vector<uint8_t> image(8 + 3);
            store_picture_header(image.data(), {kMagicCompressedTuned, kFormat32,
                                                static_cast<uint16_t>(c.run_length), 1});
            store_be16(&image[9], static_cast<uint16_t>(size));
            image.insert(image.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size));
            std::vector<uint8_t> decoded(c.run_length * 4);
            ASSERT_EQ(decode_picture(image, decoded).status, CodecStatus::kOk) << c.run_length;
            EXPECT_EQ(decoded, testing::repeated_units(0x44332211, c.run_length));
        }
    }

    std::vector<uint8_t> out(9);
    std::size_t size = 0;
    EXPECT_EQ(WriteCompressData(out, 0, 1073741824, size), CodecStatus::kRunTooLong);
    EXPECT_EQ(WriteCompressData(std::span(out).first(6), 0, 64, size),
              CodecStatus::kRunTokenOutOfBond);
}

// Units that differ from their neighbours and never begin with 0x5F.
std::vector<uint8_t> distinct_units(std::size_t count) {
    std::vector<uint8_t> pixels(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        store_le32(pixels.data() + i * 4, static_cast<uint32_t>(i << 8) | 0x01);
    }
    return pixels;
}

struct BlockHeader {
    uint8_t index;
    std::size_t length;
    std::size_t offset;
};

std::vector<BlockHeader> block_headers(std::span<const uint8_t> body) {
    std::vector<BlockHeader> headers;
    for (std::size_t at = 0; at + 3 <= body.size(); at += 3 + load_be16(&body[at + 1])) {
        headers.push_back({body[at], load_be16(&body[at + 1]), at});
    }
    return headers;
}

TEST(BlockZipBody, ClosesBlocksAt4096BytesAndWrapsTheIndex) {
    // 1024 literal units fill block 0 exactly; the six after them open block 1.
    std::vector<uint8_t> pixels = distinct_units(1030);
    std::vector<uint8_t> buffer(8 + 2 * 3 + pixels.size());
    std::size_t counter = 8;
    ASSERT_EQ(BlockZipBody(pixels, buffer, counter), CodecStatus::kOk);
    EXPECT_EQ(counter, buffer.size());
    std::vector<BlockHeader> headers = block_headers(std::span(buffer).subspan(8));
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[0].index, 0);
    EXPECT_EQ(headers[0].length, 4096u);
    EXPECT_EQ(headers[1].index, 1);
    EXPECT_EQ(headers[1].length, 24u);

    // The 257th block carries index 0 again, and the decoder accepts the wrap: 5243 x 50 units
    // fill 256 blocks and 6 units more.
    pixels = distinct_units(5243 * 50);
    buffer.assign(8 + pixels.size() + 257 * 3, 0);
    store_picture_header(buffer.data(), {kMagicCompressedTuned, kFormat32, 5243, 50});
    counter = 8;
    ASSERT_EQ(BlockZipBody(pixels, buffer, counter), CodecStatus::kOk);
    headers = block_headers(std::span(buffer).subspan(8, counter - 8));
    ASSERT_EQ(headers.size(), 257u);
    EXPECT_EQ(headers[255].index, 255);
    EXPECT_EQ(headers[256].index, 0);
    std::vector<uint8_t> decoded(pixels.size());
    ASSERT_EQ(decode_picture(std::span(buffer).first(counter), decoded).status, CodecStatus::kOk);
    EXPECT_EQ(decoded, pixels);
}

TEST(BlockZipBody, LastSingleUnitJoinsTheStepBeforeIt) {
    // 1023 literals leave block 0 at 4092 bytes; a run of two takes it to 4098, and the single
    // last unit belongs to that same step, so one block of 4102 bytes holds everything.
    std::vector<uint8_t> pixels = distinct_units(1023);
    const std::vector<uint8_t> pair = testing::repeated_units(0x77777777, 2);
    pixels.insert(pixels.end(), pair.begin(), pair.end());
    pixels.insert(pixels.end(), {0x01, 0x02, 0x03, 0x04});
    std::vector<uint8_t> buffer(5000);
    std::size_t counter = 0;
    ASSERT_EQ(BlockZipBody(pixels, buffer, counter), CodecStatus::kOk);
    const std::vector<BlockHeader> headers = block_headers(std::span(buffer).first(counter));
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(headers[0].length, 4092u + 6 + 4);
}

}  // namespace
}  // namespace framestow
