#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "codec/block_form.h"
#include "codec/byte_order.h"
#include "codec/codec.h"
#include "framestow_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Compressed {
    Bytes image;
    Bytes pixels;  // as the compressor leaves them: 0x5E for a leading 0x5F in the block form
};

// The one call of the compressor in these tests.
Compressed compress(uint16_t format, uint16_t width, uint16_t height, const Bytes& pixels,
                    bool block_settings) {
    Bytes bitmap(8);
    framestow::store_picture_header(bitmap.data(),
                                    {framestow::kMagicBitmap, format, width, height});
    bitmap.insert(bitmap.end(), pixels.begin(), pixels.end());
    const framestow::ImageBitmap info{bitmap, width, height,
                                      framestow::picture_kind_of_format(format)};
    const framestow::CodecSettings settings{
        framestow::CompressionSettings{0, 1, block_settings ? 1 : 0}, std::nullopt};
    Compressed result{Bytes(2 * pixels.size() + 64), pixels};
    const framestow::CompressedPicture compressed =
        framestow::compress_picture(info, settings, result.image);
    EXPECT_EQ(compressed.status, framestow::CodecStatus::kOk);
    result.image.resize(compressed.size);
    const int64_t pixel_count = int64_t{width} * height;
    if (framestow::choose_body_form(info.picture_kind, pixel_count, settings) ==
        framestow::BodyForm::kBlock) {
        for (std::size_t at = 0; at + 4 <= result.pixels.size(); at += 4) {
            if (result.pixels[at] == framestow::kRunByte) {
                result.pixels[at] = framestow::kRunByteStandIn;
            }
        }
    }
    return result;
}

Bytes image(uint16_t magic, uint16_t format, uint16_t width, uint16_t height, const Bytes& body) {
    Bytes bytes(8);
    framestow::store_picture_header(bytes.data(), {magic, format, width, height});
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

struct Decoded {
    Bytes pixels;
    fsd_status status;
    bool operator==(const Decoded&) const = default;
};

// Pushes `image` in chunks of at most `in_chunk` bytes (up to 4 KiB copied to buffers of their
// exact size, so that the address sanitizer sees a read past one) and pulls pixels `out_chunk`
// bytes at a time, as a caller that gives all its input: on after FSD_DONE while input is left,
// and fsd_finish once the input is used up.
Decoded decode(const Bytes& image, std::size_t in_chunk, std::size_t out_chunk) {
    fsd_decoder d;
    fsd_init(&d);
    Decoded result{{}, FSD_MORE};
    Bytes out(out_chunk);
    for (std::size_t at = 0, used = 1;
         result.status == FSD_MORE || (result.status == FSD_DONE && at < image.size() && used);) {
        const std::size_t size = std::min(in_chunk, image.size() - at);
        const bool copied = size <= 4096;
        const Bytes copy(image.begin() + at, image.begin() + at + (copied ? size : 0));
        std::size_t made = 0;
        result.status = fsd_decode(&d, copied ? copy.data() : image.data() + at, size, &used,
                                   out.data(), out.size(), &made);
        EXPECT_TRUE(used <= size && made <= out.size());
        at += used;
        result.pixels.insert(result.pixels.end(), out.begin(), out.begin() + made);
        if (result.status == FSD_MORE && at == image.size() && made < out.size()) {
            result.status = fsd_finish(&d);
        }
    }
    return result;
}

// Splits at every size from 1 byte up for spans up to 400 bytes, at the small sizes and a sample
// above (the SPI flash's 256 among them) for longer ones. Each must agree with one call.
bool split_tested(std::size_t k, std::size_t span) {
    return k <= span && (span <= 400 || k <= 16 || (k >= 255 && k <= 257) || k % 1999 == 0);
}

void expect_same_at_every_split(const Bytes& image, const Decoded& expected) {
    for (std::size_t k = 1; k <= std::max(image.size(), expected.pixels.size()); ++k) {
        if (split_tested(k, image.size())) {
            ASSERT_EQ(decode(image, k, expected.pixels.size() + 8), expected) << "input " << k;
            ASSERT_EQ(decode(image, k, k + 3), expected) << "input and output " << k;
        }
        if (split_tested(k, expected.pixels.size())) {
            ASSERT_EQ(decode(image, image.size(), k), expected) << "output " << k;
        }
    }
}

// Random bytes, or (with `runs`) runs of 1 to 9 units and now and then hundreds, of values that
// stress both forms: the run marker, units beginning with 0x5F and 0x5E, zeros.
Bytes test_pixels(std::size_t bytes, uint32_t seed, bool runs) {
    const uint32_t values[] = {0x23456789, 0x0302015F, 0x0302015E, 0, 0xFFFFFFFF, 0x12345678};
    Bytes pixels(bytes);
    for (std::size_t at = 0; at < bytes;) {
        seed = seed * 1664525u + 1013904223u;
        const std::size_t run = !runs ? 1 : (seed >> 24) < 8 ? 1200 : 4 * (1 + (seed >> 24) % 9);
        for (std::size_t k = 0; k < run && at < bytes; ++k, ++at) {
            pixels[at] =
                static_cast<uint8_t>(runs ? values[(seed >> 8) % 6] >> (8 * (k % 4)) : seed >> 24);
        }
    }
    return pixels;
}

TEST(StreamDecoder, DecodesWhatTheCompressorWritesAtEverySplit) {
    const uint16_t pictures[][3] = {{0x8888, 1, 1},   {0x8888, 2, 1},     {0x8888, 3, 1},
                                    {0x8888, 37, 19}, {0x8888, 160, 110}, {0xF565, 1, 1},
                                    {0xF565, 5, 3},   {0xF565, 37, 19}};
    uint32_t seed = 7;
    for (const auto& [format, width, height] : pictures) {
        const std::size_t bytes = std::size_t{width} * height * (format == 0x8888 ? 4 : 2);
        // The uniform picture of 0x5F bytes holds runs of the 3-byte length class.
        for (const Bytes& pixels : {test_pixels(bytes, seed++, true),
                                    test_pixels(bytes, seed++, false), Bytes(bytes, 0x5F)}) {
            for (const bool block : {true, false}) {
                SCOPED_TRACE(::testing::Message() << width << "x" << height << " format " << format
                                                  << (block ? " block" : " marker"));
                const Compressed c = compress(format, width, height, pixels, block);
                const Decoded whole = decode(c.image, c.image.size(), bytes + 64);
                ASSERT_EQ(whole, (Decoded{c.pixels, FSD_DONE}));
                expect_same_at_every_split(c.image, whole);
            }
        }
    }
}

// One row for each status but FSD_MORE: every malformed body has its own.
TEST(StreamDecoder, GivesEachBodyItsStatusAtEverySplit) {
    const auto block = [](uint16_t width, const Bytes& body) {
        return image(0x4567, 0x8888, width, 1, body);
    };
    const auto marker = [](uint16_t width, const Bytes& body) {
        return image(0x2345, 0xF565, width, 1, body);
    };
    Bytes long_block = {0, 0x10, 0x0C};
    long_block.resize(3 + 4108, 0x11);
    // A block the compressor fills to the limit of 4107 bytes: 1022 literal units (4088 bytes), a
    // run of 64 (7), a run of 16384 (8) and a last literal unit.
    Bytes full_block_pixels;
    for (uint32_t k = 0; k < 1022; ++k) {
        full_block_pixels.insert(full_block_pixels.end(), {0x11, uint8_t(k), uint8_t(k >> 8), 0});
    }
    for (const auto& [value, count] : {std::pair{0xAA, 64}, {0xBB, 16384}, {0xCC, 1}}) {
        full_block_pixels.insert(full_block_pixels.end(), std::size_t{4} * count, uint8_t(value));
    }
    const Bytes full_block = compress(0x8888, 17471, 1, full_block_pixels, true).image;
    EXPECT_EQ(Bytes(full_block.begin() + 8, full_block.begin() + 11), (Bytes{0, 0x10, 0x0B}));
    struct Case {
        Bytes image;
        fsd_status status;
        Bytes pixels;  // delivered before the fault
    };
    const Case cases[] = {
        // An odd RGB565 picture: the 2 bytes of its last unit past the picture are dropped.
        {marker(3, {1, 2, 3, 4, 5, 6, 0xAA, 0xBB}), FSD_DONE, {1, 2, 3, 4, 5, 6}},
        {marker(3, {0x89, 0x67, 0x45, 0x23, 1, 2, 3, 4, 2, 0, 0, 0}), FSD_DONE, {1, 2, 3, 4, 1, 2}},
        {full_block, FSD_DONE, full_block_pixels},
        {image(0x1234, 0x8888, 1, 1, {1, 2, 3, 4}), FSD_ERR_MAGIC, {}},
        {image(0x4567, 0x1555, 1, 1, {1, 2, 3, 4}), FSD_ERR_PIXEL_FORMAT, {}},
        {image(0x4567, 0x8888, 3, 0, {}), FSD_ERR_EMPTY_PICTURE, {}},
        {Bytes{0x67, 0x45, 0x88, 0x88, 2}, FSD_ERR_CUT_HEADER, {}},
        {marker(8, {9, 8, 7, 6, 0x89, 0x67, 0x45, 0x23, 1, 2}), FSD_ERR_CUT_TOKEN, {9, 8, 7, 6}},
        {block(3, {0, 0, 6, 0x5F, 1, 2, 3, 4}), FSD_ERR_CUT_TOKEN, {}},
        {block(3, {0, 0, 10, 0x5F, 1, 2, 3, 4, 2}), FSD_ERR_CUT_BLOCK, {1, 2, 3, 4, 1, 2, 3, 4}},
        {block(3, {0, 0, 4, 1, 2, 3, 4, 1, 0}), FSD_ERR_CUT_BLOCK, {1, 2, 3, 4}},
        {marker(4, {1, 2, 3, 4}), FSD_ERR_SHORT_PICTURE, {1, 2, 3, 4}},
        {block(2000, long_block), FSD_ERR_BLOCK_LENGTH, {}},
        {block(2, {1, 0, 4, 1, 2, 3, 4}), FSD_ERR_BLOCK_INDEX, {}},
        {block(3, {0, 0, 4, 1, 2, 3, 4, 0, 0, 4, 5, 6, 7, 8}), FSD_ERR_BLOCK_INDEX, {1, 2, 3, 4}},
        {block(3, {0, 0, 6, 1, 2, 3, 4, 0x5F, 1}), FSD_ERR_ITEM_PAST_BLOCK, {1, 2, 3, 4}},
        {block(9, {0, 0, 7, 0x5F, 1, 2, 3, 4, 0x80, 0, 5}), FSD_ERR_ITEM_PAST_BLOCK, {}},
        {block(2, {0, 0, 6, 0x5F, 1, 2, 3, 4, 3}), FSD_ERR_RUN_PAST_PICTURE, {}},
        {block(2, {0, 0, 12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9}),
         FSD_ERR_RUN_PAST_PICTURE,
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {marker(1, {1, 2, 3, 4, 5}), FSD_ERR_TRAILING_BYTES, {1, 2}},
        // A token of run length 0 after the last unit, in either form.
        {marker(2, {1, 2, 3, 4, 0x89, 0x67, 0x45, 0x23, 5, 6, 7, 8, 0, 0, 0, 0}),
         FSD_ERR_TRAILING_BYTES,
         {1, 2, 3, 4}},
        {block(2, {0, 0, 14, 1, 2, 3, 4, 5, 6, 7, 8, 0x5F, 1, 2, 3, 4, 0}),
         FSD_ERR_TRAILING_BYTES,
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {block(2, {0, 0, 6, 0x5F, 1, 2, 3, 4, 2, 1, 0, 0}),
         FSD_ERR_TRAILING_BYTES,
         {1, 2, 3, 4, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fsd_status_name(c.status));
        const Decoded whole = decode(c.image, c.image.size(), 1 << 16);
        EXPECT_EQ(whole, (Decoded{c.pixels, c.status}));
        expect_same_at_every_split(c.image, whole);
    }
}

// As a display drawn in strips: skips rows 256 input bytes at a time, then decodes the rest row
// by row; also through a run of the longest length class, and for RGB565 rows that end inside a
// unit.
TEST(StreamDecoder, SkipsRowsAndDecodesTheRestRowByRow) {
    const Bytes longest =
        image(0x4567, 0x8888, 2048, 2048, {0, 0, 9, 0x5F, 1, 2, 3, 4, 0xC0, 0x40, 0, 0});
    const Compressed cases[] = {compress(0x8888, 37, 19, test_pixels(37 * 19 * 4, 3, true), true),
                                compress(0x8888, 37, 19, test_pixels(37 * 19 * 4, 3, true), false),
                                compress(0xF565, 37, 19, test_pixels(37 * 19 * 2, 4, false), false),
                                {longest, decode(longest, longest.size(), 2048 * 2048 * 4).pixels}};
    for (const Compressed& c : cases) {
        const std::size_t height = framestow::load_picture_header(c.image.data()).height;
        for (const std::size_t rows : {std::size_t{0}, std::size_t{7}, height}) {
            fsd_decoder d;
            fsd_init(&d);
            std::size_t at = 8, used = 0, made = 0;
            fsd_decode(&d, c.image.data(), at, &used, nullptr, 0, &made);  // the header
            Bytes row(fsd_row_bytes(&d)), rest;
            uint64_t skip = rows * row.size();
            fsd_status s = FSD_MORE;
            for (; s == FSD_MORE && skip > 0; at += used) {
                s = fsd_skip(&d, c.image.data() + at,
                             std::min<std::size_t>(256, c.image.size() - at), &used, &skip);
            }
            for (; s == FSD_MORE; at += used) {
                s = fsd_decode(&d, c.image.data() + at,
                               std::min<std::size_t>(256, c.image.size() - at), &used, row.data(),
                               row.size(), &made);
                rest.insert(rest.end(), row.begin(), row.begin() + made);
            }
            EXPECT_EQ(s, FSD_DONE) << rows;
            EXPECT_EQ(skip, 0u) << rows;
            EXPECT_TRUE(std::equal(rest.begin(), rest.end(), c.pixels.begin() + rows * row.size(),
                                   c.pixels.end()))
                << rows;
        }
    }
}

TEST(StreamDecoder, CountsTheBytesOfTheLargestPictureIn64Bits) {
    const Bytes header = image(0x4567, 0x8888, 65535, 65535, {});
    fsd_decoder d;
    fsd_init(&d);
    std::size_t used = 0, made = 0;
    EXPECT_EQ(fsd_decode(&d, header.data(), header.size(), &used, nullptr, 0, &made), FSD_MORE);
    EXPECT_EQ(fsd_body_form(&d), FSD_FORM_BLOCK);
    EXPECT_EQ(fsd_row_bytes(&d), 262140u);
    EXPECT_EQ(fsd_picture_bytes(&d), 17179344900u);
}

}  // namespace
