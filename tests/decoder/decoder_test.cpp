#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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
    const framestow::ImageBitmap info{static_cast<int32_t>(bitmap.size()), width, height,
                                      framestow::picture_kind_of_format(format)};
    const framestow::CodecSettings settings{
        framestow::CompressionSettings{0, 1, block_settings ? 1 : 0}, std::nullopt};
    Compressed result{Bytes(2 * pixels.size() + 64), {}};
    std::size_t size = 0;
    EXPECT_EQ(framestow::compress_picture(bitmap, info, settings, result.image, size), 0);
    result.image.resize(size);
    result.pixels.assign(bitmap.begin() + 8, bitmap.end());
    return result;
}

struct Decoded {
    Bytes pixels;
    fsd_status status;
    bool operator==(const Decoded&) const = default;
};

// Pushes `image` in chunks of at most `in_chunk` bytes and pulls pixels `out_chunk` bytes at a
// time, as a caller that gives all its input does: on after FSD_DONE while input is left, and
// fsd_finish once the input is used up. Chunks up to 4 KiB are copied to buffers of their exact
// size, so that the address sanitizer sees a read past one.
Decoded decode(const Bytes& image, std::size_t in_chunk, std::size_t out_chunk) {
    fsd_decoder d;
    fsd_init(&d);
    Decoded result{{}, FSD_MORE};
    Bytes out(out_chunk);
    for (std::size_t at = 0;
         result.status == FSD_MORE || (result.status == FSD_DONE && at < image.size());) {
        const std::size_t size = std::min(in_chunk, image.size() - at);
        const Bytes copy(size <= 4096 ? image.begin() + at : image.end(),
                         size <= 4096 ? image.begin() + at + size : image.end());
        const uint8_t* in = size <= 4096 ? copy.data() : image.data() + at;
        std::size_t used = 0, made = 0;
        result.status = fsd_decode(&d, in, size, &used, out.data(), out.size(), &made);
        EXPECT_LE(used, size);
        EXPECT_LE(made, out.size());
        at += used;
        result.pixels.insert(result.pixels.end(), out.begin(), out.begin() + made);
        if (result.status == FSD_MORE && at == image.size() && made < out.size()) {
            result.status = fsd_finish(&d);
        }
        if (result.status == FSD_DONE && used == 0) {
            break;
        }
    }
    return result;
}

// Splits at every size from 1 byte up for short spans (up to 400 bytes), at the small sizes and a
// sample above (the SPI flash's 256 among them) for longer ones; each must agree with one call.
bool split_tested(std::size_t k, std::size_t span) {
    return k <= span && (span <= 400 || k <= 16 || (k >= 255 && k <= 257) || k % 1999 == 0);
}

void expect_same_at_every_split(const Bytes& image, const Decoded& expected) {
    const std::size_t ample = expected.pixels.size() + 8;
    for (std::size_t k = 1; k <= std::max(image.size(), expected.pixels.size()); ++k) {
        if (split_tested(k, image.size())) {
            ASSERT_EQ(decode(image, k, ample), expected) << "input split " << k;
            ASSERT_EQ(decode(image, k, k + 3), expected) << "both split " << k;
        }
        if (split_tested(k, expected.pixels.size())) {
            ASSERT_EQ(decode(image, image.size(), k), expected) << "output split " << k;
        }
    }
}

// Pixels drawn from values that stress both forms: the run marker, units beginning with 0x5F
// and 0x5E, zeros; in runs of 1 to 9 and, now and then, of hundreds.
Bytes tricky_pixels(std::size_t bytes, uint32_t seed) {
    const uint32_t values[] = {0x23456789, 0x0302015F, 0x0302015E, 0, 0xFFFFFFFF, 0x12345678};
    Bytes pixels(bytes);
    for (std::size_t at = 0; at < bytes;) {
        seed = seed * 1664525u + 1013904223u;
        uint8_t unit[4];
        framestow::store_le32(unit, values[(seed >> 8) % 6]);
        const std::size_t run = (seed >> 24) < 8 ? 300 : 1 + (seed >> 24) % 9;
        for (std::size_t k = 0; k < run * 4 && at < bytes; ++k) {
            pixels[at++] = unit[k % 4];
        }
    }
    return pixels;
}

Bytes random_pixels(std::size_t bytes, uint32_t seed) {
    Bytes pixels(bytes);
    for (uint8_t& byte : pixels) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(seed >> 24);
    }
    return pixels;
}

TEST(StreamDecoder, DecodesWhatTheCompressorWritesAtEverySplit) {
    struct Picture {
        uint16_t format, width, height;
    };
    const Picture pictures[] = {
        {framestow::kFormat32, 1, 1},     {framestow::kFormat32, 2, 1},
        {framestow::kFormat32, 3, 1},     {framestow::kFormat32, 37, 19},
        {framestow::kFormat32, 160, 110}, {framestow::kFormatRgb565, 1, 1},
        {framestow::kFormatRgb565, 5, 3}, {framestow::kFormatRgb565, 37, 19}};
    uint32_t seed = 7;
    for (const Picture& p : pictures) {
        const std::size_t bytes = std::size_t{p.width} * p.height * (p.format == 0x8888 ? 4 : 2);
        for (const Bytes& pixels :
             {tricky_pixels(bytes, seed++), random_pixels(bytes, seed++), Bytes(bytes, 0x5F)}) {
            for (const bool block : {true, false}) {
                SCOPED_TRACE(::testing::Message() << p.width << "x" << p.height << " format "
                                                  << p.format << (block ? " block" : " marker"));
                const Compressed c = compress(p.format, p.width, p.height, pixels, block);
                const Decoded whole = decode(c.image, c.image.size(), bytes + 64);
                ASSERT_EQ(whole, (Decoded{c.pixels, FSD_DONE}));
                expect_same_at_every_split(c.image, whole);
            }
        }
    }
}

Bytes image(uint16_t magic, uint16_t format, uint16_t width, uint16_t height, const Bytes& body) {
    Bytes bytes(8);
    framestow::store_picture_header(bytes.data(), {magic, format, width, height});
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

TEST(StreamDecoder, GivesEachMalformedBodyItsOwnStatusAtEverySplit) {
    const auto block = [](uint16_t width, const Bytes& body) {
        return image(0x4567, 0x8888, width, 1, body);
    };
    const auto marker = [](uint16_t width, const Bytes& body) {
        return image(0x2345, 0xF565, width, 1, body);
    };
    Bytes long_block = {0, 0x10, 0x0C};
    long_block.resize(3 + 4108, 0x11);
    struct Case {
        Bytes image;
        fsd_status status;
        Bytes pixels;  // delivered before the fault
    };
    const Case cases[] = {
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
        {marker(4, {5, 5, 5, 5, 0x89, 0x67, 0x45, 0x23, 1, 2, 3, 4, 2, 0, 0, 0}),
         FSD_ERR_RUN_PAST_PICTURE,
         {5, 5, 5, 5}},
        {marker(1, {1, 2, 3, 4, 5}), FSD_ERR_TRAILING_BYTES, {1, 2}},
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

TEST(StreamDecoder, SkipsRowsAndDecodesTheRestRowByRow) {
    for (const bool block : {true, false}) {
        const Compressed c = compress(0x8888, 37, 19, tricky_pixels(37 * 19 * 4, 3), block);
        for (const uint64_t rows : {0, 1, 7, 18, 19}) {
            fsd_decoder d;
            fsd_init(&d);
            std::size_t at = 0, used = 0, made = 0;
            Bytes row(37 * 4), rest;
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
            EXPECT_EQ(rest, Bytes(c.pixels.begin() + rows * row.size(), c.pixels.end())) << rows;
        }
    }
}

TEST(StreamDecoder, SkipsARunOfTheLongestClass) {
    const Bytes run =
        image(0x4567, 0x8888, 2048, 2048, {0, 0, 9, 0x5F, 1, 2, 3, 4, 0xC0, 0x40, 0, 0});
    fsd_decoder d;
    fsd_init(&d);
    std::size_t used = 0;
    uint64_t skip = 2048 * 2048 * 4;
    EXPECT_EQ(fsd_skip(&d, run.data(), run.size(), &used, &skip), FSD_DONE);
    EXPECT_EQ(used, run.size());
    EXPECT_EQ(skip, 0u);
}

TEST(StreamDecoder, DropsTheTwoBytesPastAnOddRgb565Picture) {
    const Bytes literal_tail = image(0x2345, 0xF565, 3, 1, {1, 2, 3, 4, 5, 6, 0xAA, 0xBB});
    const Bytes run_tail =
        image(0x4567, 0xF565, 3, 1, {0x89, 0x67, 0x45, 0x23, 1, 2, 3, 4, 2, 0, 0, 0});
    expect_same_at_every_split(literal_tail, {{1, 2, 3, 4, 5, 6}, FSD_DONE});
    expect_same_at_every_split(run_tail, {{1, 2, 3, 4, 1, 2}, FSD_DONE});
}

TEST(StreamDecoder, TellsTheBodyFormAndSizesFromTheHeader) {
    struct Case {
        uint16_t magic, format, width, height;
        fsd_form form;
        uint32_t row_bytes;
        uint64_t picture_bytes;
    };
    const Case cases[] = {
        {0x4567, 0x8888, 2, 1, FSD_FORM_BLOCK, 8, 8},
        {0x4567, 0x8888, 1, 1, FSD_FORM_MARKER, 4, 4},
        {0x4567, 0xF565, 3, 5, FSD_FORM_MARKER, 6, 30},
        {0x2345, 0x8888, 9, 9, FSD_FORM_MARKER, 36, 324},
        {0x4567, 0x8888, 65535, 65535, FSD_FORM_BLOCK, 262140, 17179344900},
    };
    for (const Case& c : cases) {
        const Bytes header = image(c.magic, c.format, c.width, c.height, {});
        fsd_decoder d;
        fsd_init(&d);
        std::size_t used = 0, made = 0;
        EXPECT_EQ(fsd_header_ready(&d), 0);
        EXPECT_EQ(fsd_decode(&d, header.data(), header.size(), &used, nullptr, 0, &made), FSD_MORE);
        EXPECT_NE(fsd_header_ready(&d), 0);
        EXPECT_EQ(fsd_body_form(&d), c.form) << c.width;
        EXPECT_EQ(fsd_row_bytes(&d), c.row_bytes) << c.width;
        EXPECT_EQ(fsd_picture_bytes(&d), c.picture_bytes) << c.width;
    }
}

}  // namespace
