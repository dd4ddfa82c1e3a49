#include "codec/codec.h"

#include <algorithm>
#include <cstring>
#include <iostream>

#include "codec/block_form.h"
#include "codec/marker_form.h"

namespace framestow {

namespace {

bool known_pixel_format(uint16_t pixel_format) {
    return pixel_format == kFormat32 || pixel_format == kFormatRgb565;
}

std::size_t bytes_per_pixel(uint16_t pixel_format) {
    return pixel_format == kFormat32 ? 4 : 2;
}

std::size_t round_up_to_unit(std::size_t bytes) {
    return (bytes + 3) / 4 * 4;
}

int64_t decode_body(BodyForm form, std::span<const uint8_t> body, std::span<uint8_t> out) {
    return form == BodyForm::kBlock ? UnzipBlocks(body, out) : UnzipToBitmap(body, out);
}

// The offset of the first of `count` bytes where `decoded` and `original` differ, or `count`.
std::size_t first_difference(const uint8_t* decoded, const uint8_t* original, std::size_t count) {
    // memcmp may not be given a null pointer, which an empty span can hold.
    if (count == 0 || std::memcmp(decoded, original, count) == 0) {
        return count;
    }
    return static_cast<std::size_t>(std::mismatch(decoded, decoded + count, original).first -
                                    decoded);
}

}  // namespace

uint16_t compressed_magic(const CodecSettings& settings) {
    return settings.png && settings.png->zip_type != 0 ? kMagicCompressedTuned : kMagicCompressed;
}

BodyForm choose_body_form(int32_t picture_kind, int64_t pixel_count,
                          const CodecSettings& settings) {
    if (picture_kind == kPictureKindBmp) {
        return BodyForm::kMarker;
    }
    if (picture_kind != kPictureKindPng) {
        return BodyForm::kHeaderOnly;
    }
    if (!settings.png || settings.png->zip_type == 0 || pixel_count == 1) {
        return BodyForm::kMarker;
    }
    return BodyForm::kBlock;
}

bool settings_allow_compression(int32_t picture_kind, int64_t pixel_count,
                                const CodecSettings& settings) {
    if (picture_kind == kPictureKindBmp) {
        return !settings.bmp || settings.bmp->zip_type == 0 || pixel_count == 1;
    }
    if (choose_body_form(picture_kind, pixel_count, settings) != BodyForm::kBlock) {
        return true;
    }
    const CompressionSettings& png = *settings.png;
    return png.zip_type == 1 && png.bit_type == 0 && png.block_len != 0 && pixel_count != 0;
}

int32_t picture_kind_of_format(uint16_t pixel_format) {
    if (pixel_format == kFormat32) {
        return kPictureKindPng;
    }
    return pixel_format == kFormatRgb565 ? kPictureKindBmp : 0;
}

int SimpleZipHeader(std::span<const uint8_t> bitmap, int32_t bitmap_size,
                    const CodecSettings& settings, std::span<uint8_t> compressed,
                    std::size_t& counter) {
    if (bitmap_size < static_cast<int32_t>(kPictureHeaderSize) ||
        static_cast<std::size_t>(bitmap_size) > bitmap.size() ||
        compressed.size() < kPictureHeaderSize) {
        return -1;
    }
    PictureHeader header = load_picture_header(bitmap.data());
    if (header.magic != kMagicBitmap || !known_pixel_format(header.pixel_format)) {
        return -1;
    }
    header.magic = compressed_magic(settings);
    store_picture_header(compressed.data(), header);
    counter = kPictureHeaderSize;
    return 0;
}

int compress_picture(std::span<uint8_t> bitmap, const ImageBitmap& picture,
                     const CodecSettings& settings, std::span<uint8_t> compressed,
                     std::size_t& compressed_size) {
    // Both buffers hold one picture buffer at most; this also keeps every count below in range.
    bitmap = bitmap.first(std::min(bitmap.size(), kPictureBufferSize));
    std::size_t counter = 0;
    if (picture.width < 0 || picture.height < 0 ||
        SimpleZipHeader(bitmap, picture.size, settings, compressed, counter) != 0) {
        return -1;
    }
    const int64_t pixel_count = int64_t{picture.width} * picture.height;
    if (!settings_allow_compression(picture.picture_kind, pixel_count, settings)) {
        return -1;
    }
    const std::span<uint8_t> pixels = bitmap.subspan(
        kPictureHeaderSize, static_cast<std::size_t>(picture.size) - kPictureHeaderSize);
    switch (choose_body_form(picture.picture_kind, pixel_count, settings)) {
        case BodyForm::kMarker:
            if (SimpleZipBody(pixels, compressed, counter) != 0) {
                return -1;
            }
            break;
        case BodyForm::kBlock: {
            // The block form covers width x height units, which must lie within the picture.
            if (pixel_count > static_cast<int64_t>(pixels.size() / 4) ||
                BlockZipBody(pixels.first(static_cast<std::size_t>(pixel_count) * 4), compressed,
                             counter) != 0) {
                return -1;
            }
            break;
        }
        case BodyForm::kHeaderOnly:
            break;
    }
    compressed_size = counter;
    return 0;
}

int BufferUnzipHeader(std::span<const uint8_t> compressed, PictureHeader& header) {
    if (compressed.size() <= kPictureHeaderSize) {
        return -1;
    }
    const PictureHeader read = load_picture_header(compressed.data());
    if ((read.magic != kMagicCompressed && read.magic != kMagicCompressedTuned) ||
        !known_pixel_format(read.pixel_format)) {
        return -1;
    }
    header = read;
    return 0;
}

int decode_picture(std::span<const uint8_t> compressed, const CodecSettings& settings,
                   std::span<uint8_t> decoded, DecodedPicture& picture) {
    if (BufferUnzipHeader(compressed, picture.header) != 0) {
        return -1;
    }
    const PictureHeader& header = picture.header;
    if (header.width == 0 || header.height == 0) {
        std::cout << "header err " << std::endl;
        return -1;
    }
    const int64_t pixel_count = int64_t{header.width} * header.height;
    const BodyForm form =
        choose_body_form(picture_kind_of_format(header.pixel_format), pixel_count, settings);
    picture.pixel_bytes =
        static_cast<std::size_t>(pixel_count) * bytes_per_pixel(header.pixel_format);
    // The marker form may end in a unit that runs past the picture; the block form may not.
    const std::size_t room =
        form == BodyForm::kBlock ? picture.pixel_bytes : round_up_to_unit(picture.pixel_bytes);
    if (room > decoded.size()) {
        return -1;
    }
    const int64_t result =
        decode_body(form, compressed.subspan(kPictureHeaderSize), decoded.first(room));
    if (result < 0) {
        return -1;
    }
    picture.decoded_bytes = static_cast<std::size_t>(result);
    if (form == BodyForm::kMarker && picture.decoded_bytes != picture.pixel_bytes) {
        std::cout << "BufferUnzip result = " << -1 << std::endl;
    }
    return 0;
}

int check_picture(std::span<const uint8_t> compressed, std::span<const uint8_t> original_pixels,
                  const CodecSettings& settings, std::span<uint8_t> decoded,
                  DecodedPicture& picture) {
    if (decode_picture(compressed, settings, decoded, picture) != 0) {
        return -1;
    }
    const std::size_t comparable =
        std::min({picture.pixel_bytes, picture.decoded_bytes, original_pixels.size()});
    const std::size_t offset = first_difference(decoded.data(), original_pixels.data(), comparable);
    if (offset < picture.pixel_bytes) {
        std::cout << "BufferUnzip: ERR,decoded picture differs at byte " << offset << std::endl;
        return -1;
    }
    return 0;
}

}  // namespace framestow
