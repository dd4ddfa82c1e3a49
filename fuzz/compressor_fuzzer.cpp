// The compressor given any bitmap. The input is
//
//   offset  width  field
//   0       u8     settings (codec_input.h); bit 7 set: an RGB565 picture (kind 2), else 32-bit
//   1       u16le  width
//   3       u16le  height
//   5       u8     room of the second compressed area, in 128ths of the worst case (128 or more:
//                  the whole worst case)
//   6       ...    pixel bytes, repeated as often as the picture needs (zeros when none)
//
// Whatever the compressor produces must decode back to the same pixels (after the 0x5F to 0x5E
// change of the block form), compressing the same bitmap again must give the same bytes, and a
// compressed area too small for the result must make the compressor fail rather than write past
// it: the areas are allocated to their exact size, so the address sanitizer sees any byte beyond.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/byte_order.h"
#include "codec/codec.h"
#include "codec_input.h"
#include "fuzz_check.h"

using fuzzcheck::require;

namespace {

constexpr std::size_t kInputHeaderSize = 6;
constexpr uint8_t kRgb565Bit = 0x80;

struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t kind = 0;
    std::vector<uint8_t> bytes;  // header and pixels

    framestow::ImageBitmap bitmap() const { return {bytes, width, height, kind}; }
};

Picture make_picture(std::span<const uint8_t> input, uint64_t pixel_bytes) {
    Picture picture;
    picture.kind =
        (input[0] & kRgb565Bit) != 0 ? framestow::kPictureKindBmp : framestow::kPictureKindPng;
    picture.width = framestow::load_le16(input.data() + 1);
    picture.height = framestow::load_le16(input.data() + 3);
    picture.bytes.resize(static_cast<std::size_t>(framestow::kPictureHeaderSize + pixel_bytes));
    framestow::PictureHeader header;
    header.magic = framestow::kMagicBitmap;
    header.pixel_format = picture.kind == framestow::kPictureKindBmp ? framestow::kFormatRgb565
                                                                     : framestow::kFormat32;
    header.width = static_cast<uint16_t>(picture.width);
    header.height = static_cast<uint16_t>(picture.height);
    framestow::store_picture_header(picture.bytes.data(), header);
    const std::span<const uint8_t> pattern = input.subspan(kInputHeaderSize);
    for (std::size_t i = 0; !pattern.empty() && i < pixel_bytes; ++i) {
        picture.bytes[framestow::kPictureHeaderSize + i] = pattern[i % pattern.size()];
    }
    return picture;
}

// No body is longer than this: a marker token of 12 bytes for every 4-byte unit, which also
// covers the block form's run tokens, literal units and 3-byte block headers.
std::size_t worst_compressed_size(uint64_t pixel_bytes) {
    return static_cast<std::size_t>(framestow::kPictureHeaderSize + (pixel_bytes + 3) / 4 * 12);
}

struct Compressed {
    framestow::CodecStatus status = framestow::CodecStatus::kOk;
    std::vector<uint8_t> area;
    std::size_t size = 0;
};

Compressed compress(const Picture& picture, const framestow::CodecSettings& settings,
                    std::size_t room) {
    Compressed out;
    out.area.resize(room);
    const framestow::CompressedPicture result =
        framestow::compress_picture(picture.bitmap(), settings, out.area);
    out.status = result.status;
    out.size = result.size;
    return out;
}

void check_header(const Compressed& out, const Picture& picture,
                  const framestow::CodecSettings& settings) {
    require(out.size >= framestow::kPictureHeaderSize && out.size <= out.area.size(),
            "the compressed size lies within the area");
    const framestow::PictureHeader header = framestow::load_picture_header(out.area.data());
    const framestow::PictureHeader source = framestow::load_picture_header(picture.bytes.data());
    require(header.magic == framestow::compressed_magic(settings),
            "the magic follows the png section");
    require(header.pixel_format == source.pixel_format && header.width == source.width &&
                header.height == source.height,
            "format, width and height are copied from the bitmap");
}

void check_round_trip(const Compressed& out, const Picture& picture) {
    const std::span<const uint8_t> compressed(out.area.data(), out.size);
    const framestow::PictureHeader header = framestow::load_picture_header(out.area.data());
    std::vector<uint8_t> decode_area(fuzzcheck::pixel_bytes(header));
    const std::span<const uint8_t> original =
        std::span<const uint8_t>(picture.bytes).subspan(framestow::kPictureHeaderSize);
    const framestow::DecodedPicture decoded =
        framestow::check_picture(compressed, original, decode_area);
    const bool has_pixels = picture.width > 0 && picture.height > 0;
    require((decoded.status == framestow::CodecStatus::kOk) == has_pixels,
            "every picture with pixels passes the round trip; one without fails it");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < kInputHeaderSize) {
        return 0;
    }
    const std::span<const uint8_t> input(data, size);
    const framestow::CodecSettings settings = fuzzcheck::settings_from_byte(data[0]);
    const uint64_t pixel_count =
        uint64_t{framestow::load_le16(data + 1)} * framestow::load_le16(data + 3);
    const uint64_t pixel_bytes = pixel_count * ((data[0] & kRgb565Bit) != 0 ? 2 : 4);
    if (pixel_bytes > fuzzcheck::kLargestFuzzedPixelBytes) {
        return 0;
    }
    const Picture picture = make_picture(input, pixel_bytes);
    const std::size_t worst = worst_compressed_size(pixel_bytes);
    const std::size_t room = data[5] >= 128 ? worst : worst * data[5] / 128;

    const Compressed first = compress(picture, settings, worst);
    const Compressed second = compress(picture, settings, room);
    const bool first_ok = first.status == framestow::CodecStatus::kOk;
    require((second.status == framestow::CodecStatus::kOk) == (first_ok && first.size <= room),
            "the compressor fails exactly when its result does not fit the area");
    if (!first_ok) {
        return 0;
    }
    check_header(first, picture, settings);
    if (second.status == framestow::CodecStatus::kOk) {
        require(second.size == first.size &&
                    std::equal(first.area.begin(), first.area.begin() + first.size,
                               second.area.begin()),
                "compressing twice gives the same bytes");
    }
    check_round_trip(first, picture);
    return 0;
}
