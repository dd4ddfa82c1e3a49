#include "codec/codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/marker_form.h"
#include "codec_test_support.h"

namespace framestow {
namespace {

using testing::kBlockSettings;
using testing::kMarkerSettings;
using testing::next_random;
using testing::put_picture;

// Pixels drawn from a few values that stress the codec: the run marker, units whose first byte
// is 0x5F or 0x5E (which the block form joins), zeros and runs of every length.
std::vector<uint8_t> tricky_pixels(std::size_t bytes, uint32_t seed) {
    const uint32_t values[] = {kRunMarker, 0x0302015F, 0x0302015E, 0, 0xFFFFFFFF, 0x12345678};
    std::vector<uint8_t> pixels(bytes);
    std::size_t at = 0;
    while (at < bytes) {
        const uint32_t value = values[next_random(seed) % 6];
        std::size_t run = 1 + next_random(seed) % 9;
        for (; run > 0 && at + 4 <= bytes; --run, at += 4) {
            store_le32(&pixels[at], value);
        }
        for (; at < bytes && run > 0; ++at) {
            pixels[at] = static_cast<uint8_t>(value);
        }
    }
    return pixels;
}

std::vector<uint8_t> noisy_pixels(std::size_t bytes, uint32_t seed) {
    std::vector<uint8_t> pixels(bytes);
    for (uint8_t& byte : pixels) {
        byte = static_cast<uint8_t>(next_random(seed) >> 24);
    }
    return pixels;
}

// What the block form leaves of the pixels: a leading 0x5F of each unit becomes 0x5E.
std::vector<uint8_t> with_run_byte_replaced(std::vector<uint8_t> pixels) {
    for (std::size_t at = 0; at + 4 <= pixels.size(); at += 4) {
        if (pixels[at] == 0x5F) {
            pixels[at] = 0x5E;
        }
    }
    return pixels;
}

struct Picture {
    uint16_t format;
    uint16_t width;
    uint16_t height;
};

TEST(Codec, RoundTripsPicturesInBothFormsAndRepeatsItself) {
    const Picture pictures[] = {
        {kFormat32, 1, 1},       {kFormat32, 2, 1},      {kFormat32, 3, 1},
        {kFormat32, 37, 19},     {kFormat32, 300, 200},  {kFormatRgb565, 1, 1},
        {kFormatRgb565, 37, 19}, {kFormatRgb565, 64, 8},
    };
    const CodecSettings settings_cases[] = {kBlockSettings, kMarkerSettings, CodecSettings{}};
    uint32_t seed = 7;
    for (const Picture& p : pictures) {
        const std::size_t bytes = std::size_t{p.width} * p.height * (p.format == kFormat32 ? 4 : 2);
        for (const auto& original : {tricky_pixels(bytes, seed++), noisy_pixels(bytes, seed++)}) {
            for (const CodecSettings& settings : settings_cases) {
                SCOPED_TRACE(::testing::Message()
                             << p.width << "x" << p.height << " format " << p.format << " zip_type "
                             << (settings.png ? settings.png->zip_type : -1));
                std::vector<uint8_t> bitmap(8 + bytes);
                const ImageBitmap info = put_picture(bitmap, p.format, p.width, p.height, original);
                std::vector<uint8_t> compressed(2 * bytes + 64);
                const CompressedPicture first = compress_picture(info, settings, compressed);
                ASSERT_EQ(first.status, CodecStatus::kOk);

                std::vector<uint8_t> again(compressed.size());
                const CompressedPicture second = compress_picture(info, settings, again);
                ASSERT_EQ(second.status, CodecStatus::kOk);
                EXPECT_EQ(std::vector(again.begin(), again.begin() + second.size),
                          std::vector(compressed.begin(), compressed.begin() + first.size));
                // The compressor reads the bitmap and leaves it as it was.
                EXPECT_EQ(std::vector(bitmap.begin() + 8, bitmap.end()), original);

                std::vector<uint8_t> decoded(bytes + 4);
                const DecodedPicture result =
                    check_picture(std::span(compressed).first(first.size), original, decoded);
                ASSERT_EQ(result.status, CodecStatus::kOk);
                const bool block = result.form == BodyForm::kBlock;
                EXPECT_EQ(std::vector(decoded.begin(), decoded.begin() + bytes),
                          block ? with_run_byte_replaced(original) : original);
            }
        }
    }
}

TEST(Codec, CompressorNeverWritesPastTheEndOfItsBuffer) {
    const std::size_t units = 2100;
    for (const CodecSettings& settings : {kBlockSettings, kMarkerSettings}) {
        std::vector<uint8_t> bitmap(8 + units * 4);
        const ImageBitmap info =
            put_picture(bitmap, kFormat32, 100, units / 100, tricky_pixels(units * 4, 3));
        std::vector<uint8_t> storage(3 * units * 4, 0);
        const std::size_t needed = compress_picture(info, settings, storage).size;
        ASSERT_GT(needed, 8u);

        const CodecStatus out_of_bond[] = {
            CodecStatus::kLiteralOutOfBond, CodecStatus::kMarkerTokenOutOfBond,
            CodecStatus::kBlockOutOfBond, CodecStatus::kRunTokenOutOfBond};
        for (std::size_t limit = 0; limit < needed; ++limit) {
            std::fill(storage.begin(), storage.end(), 0xEE);
            const CodecStatus status =
                compress_picture(info, settings, std::span(storage).first(limit)).status;
            ASSERT_TRUE(std::all_of(storage.begin() + static_cast<std::ptrdiff_t>(limit),
                                    storage.end(), [](uint8_t b) { return b == 0xEE; }))
                << limit;
            if (limit < 8) {
                ASSERT_EQ(status, CodecStatus::kBitmapRefused) << limit;
            } else {
                ASSERT_NE(std::find(std::begin(out_of_bond), std::end(out_of_bond), status),
                          std::end(out_of_bond))
                    << limit;
            }
        }
    }
}

std::vector<uint8_t> image(uint16_t magic, uint16_t format, uint16_t width, uint16_t height,
                           const std::vector<uint8_t>& body) {
    std::vector<uint8_t> bytes(8);
    store_picture_header(bytes.data(), PictureHeader{magic, format, width, height});
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

// A 32-bit picture of `width` x 1 pixels whose body is read in the block form.
std::vector<uint8_t> block_image(uint16_t width, const std::vector<uint8_t>& body) {
    return image(kMagicCompressedTuned, kFormat32, width, 1, body);
}

std::vector<uint8_t> marker_image(uint16_t width, const std::vector<uint8_t>& body) {
    return image(kMagicCompressed, kFormatRgb565, width, 1, body);
}

TEST(Codec, DecodeRefusesMalformedImages) {
    std::vector<uint8_t> oversized = {0x00, 0x10, 0x0C};  // 4108 bytes of literal units
    oversized.resize(oversized.size() + 4108, 0x11);
    const std::vector<uint8_t> marker = {0x89, 0x67, 0x45, 0x23, 1, 2, 3, 4};
    auto token = [&](std::vector<uint8_t> run_length) {
        std::vector<uint8_t> bytes = marker;
        bytes.insert(bytes.end(), run_length.begin(), run_length.end());
        return bytes;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> compressed;
        CodecStatus status = CodecStatus::kMalformedBody;
    };
    const Case cases[] = {
        {"header alone", image(0x2345, kFormat32, 1, 1, {}), CodecStatus::kCompressedHeaderRefused},
        {"raw magic", image(0x1234, kFormat32, 1, 1, {1, 2, 3, 4}),
         CodecStatus::kCompressedHeaderRefused},
        {"unknown format", image(0x4567, 0x1555, 1, 1, {1, 2, 3, 4}),
         CodecStatus::kCompressedHeaderRefused},
        {"zero width", image(0x4567, kFormat32, 0, 1, {1, 2, 3, 4}), CodecStatus::kEmptyPicture},
        {"larger than the decode area",
         image(0x4567, kFormat32, 65535, 65535, {0, 0, 4, 1, 2, 3, 4})},
        {"block header cut short", block_image(2, {0x00, 0x00})},
        {"run token cut short", block_image(8, {0x00, 0x00, 0x05, 0x5F, 1, 2, 3, 4})},
        {"run length bytes cut short",
         block_image(200, {0x00, 0x00, 0x06, 0x5F, 1, 2, 3, 4, 0x40})},
        {"literal unit cut short", block_image(2, {0x00, 0x00, 0x03, 1, 2, 3})},
        {"block longer than the body", block_image(2, {0x00, 0x00, 0x08, 1, 2, 3, 4})},
        {"first block index not 0", block_image(2, {0x01, 0x00, 0x04, 1, 2, 3, 4})},
        {"block index repeated", block_image(2, {0, 0, 4, 1, 2, 3, 4, 0, 0, 4, 1, 2, 3, 4})},
        {"content over 4107 bytes", block_image(2000, oversized)},
        {"run past the picture", block_image(2, {0x00, 0x00, 0x06, 0x5F, 1, 2, 3, 4, 0x03})},
        {"literal past the picture",
         block_image(2, {0, 0, 12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})},
        {"marker literal cut short", marker_image(4, {1, 2, 3, 4, 5, 6})},
        {"marker token cut short", marker_image(8, token({9, 0, 0}))},
        {"marker token past the picture", marker_image(4, token({3, 0, 0, 0}))},
        {"marker token with a huge run", marker_image(4, token({0xFF, 0xFF, 0xFF, 0xFF}))},
        {"marker literal past the picture", marker_image(1, {1, 2, 3, 4, 5, 6, 7, 8})},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> decoded(1 << 16);
        EXPECT_EQ(decode_picture(c.compressed, decoded).status, c.status) << c.name;
    }
}

}  // namespace
}  // namespace framestow
