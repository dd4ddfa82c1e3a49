#include "codec/codec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "codec/block_form.h"
#include "codec/byte_order.h"
#include "codec/marker_form.h"
#include "framestow_decoder.h"

namespace framestow {

namespace {

constexpr std::size_t kUnitSize = 4;

bool known_pixel_format(uint16_t pixel_format) {
    return pixel_format == kFormat32 || pixel_format == kFormatRgb565;
}

std::size_t bytes_per_pixel(uint16_t pixel_format) {
    return pixel_format == kFormat32 ? 4 : 2;
}

CodecStatus write_body(BodyForm form, std::span<const uint8_t> pixels, int64_t pixel_count,
                       std::span<uint8_t> compressed, std::size_t& counter) {
    switch (form) {
        case BodyForm::kMarker:
            return SimpleZipBody(pixels, compressed, counter);
        case BodyForm::kBlock:
            // The block form covers width x height units, which must lie within the picture.
            if (pixel_count > static_cast<int64_t>(pixels.size() / kUnitSize)) {
                return CodecStatus::kBitmapRefused;
            }
            return BlockZipBody(pixels.first(static_cast<std::size_t>(pixel_count) * kUnitSize),
                                compressed, counter);
        case BodyForm::kHeaderOnly:
            break;
    }
    return CodecStatus::kOk;
}

// The decoder reads the body form from the header: the block form for magic 0x4567 with 4-byte
// pixels and more than one pixel. That is the rule choose_body_form gives for every image the
// compressor writes, whose magic is 0x4567 exactly when the png section chooses a form other than
// the marker form.
BodyForm form_of_header(const PictureHeader& header) {
    const bool block = header.magic == kMagicCompressedTuned && header.pixel_format == kFormat32 &&
                       uint64_t{header.width} * header.height > 1;
    return block ? BodyForm::kBlock : BodyForm::kMarker;
}

// Decodes a whole compressed image into `out`, which holds exactly its pixel bytes. False for
// any body the compressor cannot have written.
bool decode_whole(std::span<const uint8_t> compressed, std::span<uint8_t> out) {
    fsd_decoder decoder;
    fsd_init(&decoder);
    std::size_t used = 0;
    std::size_t made = 0;
    fsd_status status = fsd_decode(&decoder, compressed.data(), compressed.size(), &used,
                                   out.data(), out.size(), &made);
    if (status == FSD_MORE) {
        status = fsd_finish(&decoder);
    }
    return status == FSD_DONE && made == out.size();
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

// The unit that the block form stores for a unit read in the machine's byte order: one whose
// first byte in memory is 0x5F has 0x5E there.
uint32_t stored_unit(uint32_t unit) {
    constexpr int kFirstByteShift = std::endian::native == std::endian::little ? 0 : 24;
    constexpr uint32_t kRunByteAtFirst = uint32_t{kRunByte} << kFirstByteShift;
    constexpr uint32_t kFirstByteMask = uint32_t{0xFF} << kFirstByteShift;
    return (unit & kFirstByteMask) == kRunByteAtFirst ? unit - (1u << kFirstByteShift) : unit;
}

// The same for the block form, whose units that began with 0x5F decode with 0x5E. Stretches of
// units are compared as a whole first, in a loop without branches that compilers run on several
// units at once, and unit by unit only where a stretch differs.
std::size_t first_block_form_difference(const uint8_t* decoded, const uint8_t* original,
                                        std::size_t count) {
    constexpr std::size_t kStretchUnits = 1024;
    const std::size_t units = count / kUnitSize;
    for (std::size_t start = 0; start < units; start += kStretchUnits) {
        const std::size_t end = std::min(units, start + kStretchUnits);
        uint32_t differing = 0;
        for (std::size_t unit = start; unit < end; ++unit) {
            uint32_t got;
            uint32_t read;
            std::memcpy(&got, decoded + unit * kUnitSize, kUnitSize);
            std::memcpy(&read, original + unit * kUnitSize, kUnitSize);
            differing |= got ^ stored_unit(read);
        }
        if (differing == 0) {
            continue;
        }
        for (std::size_t unit = start; unit < end; ++unit) {
            const std::size_t at = unit * kUnitSize;
            const uint32_t expected = block_form_unit(load_le32(original + at));
            if (const uint32_t bits = load_le32(decoded + at) ^ expected; bits != 0) {
                // The unit's bytes are read first byte lowest.
                return at + static_cast<std::size_t>(std::countr_zero(bits)) / 8;
            }
        }
    }
    return count;
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

CodecStatus SimpleZipHeader(std::span<const uint8_t> bitmap, const CodecSettings& settings,
                            std::span<uint8_t> compressed, std::size_t& counter) {
    if (bitmap.size() < kPictureHeaderSize || compressed.size() < kPictureHeaderSize) {
        return CodecStatus::kBitmapRefused;
    }
    PictureHeader header = load_picture_header(bitmap.data());
    if (header.magic != kMagicBitmap || !known_pixel_format(header.pixel_format)) {
        return CodecStatus::kBitmapRefused;
    }
    header.magic = compressed_magic(settings);
    store_picture_header(compressed.data(), header);
    counter = kPictureHeaderSize;
    return CodecStatus::kOk;
}

CompressedPicture compress_picture(const ImageBitmap& bitmap, const CodecSettings& settings,
                                   std::span<uint8_t> compressed) {
    std::size_t counter = 0;
    // A bitmap holds one picture buffer at most; this also keeps every count below in range.
    if (bitmap.width < 0 || bitmap.height < 0 || bitmap.bytes.size() > kPictureBufferSize) {
        return {CodecStatus::kBitmapRefused};
    }
    CodecStatus status = SimpleZipHeader(bitmap.bytes, settings, compressed, counter);
    if (status != CodecStatus::kOk) {
        return {status};
    }
    const int64_t pixel_count = int64_t{bitmap.width} * bitmap.height;
    if (!settings_allow_compression(bitmap.picture_kind, pixel_count, settings)) {
        return {CodecStatus::kSettingsRefused};
    }
    status = write_body(choose_body_form(bitmap.picture_kind, pixel_count, settings),
                        bitmap.bytes.subspan(kPictureHeaderSize), pixel_count, compressed, counter);
    if (status != CodecStatus::kOk) {
        return {status};
    }
    return {CodecStatus::kOk, counter};
}

CodecStatus BufferUnzipHeader(std::span<const uint8_t> compressed, PictureHeader& header) {
    if (compressed.size() <= kPictureHeaderSize) {
        return CodecStatus::kCompressedHeaderRefused;
    }
    const PictureHeader read = load_picture_header(compressed.data());
    if ((read.magic != kMagicCompressed && read.magic != kMagicCompressedTuned) ||
        !known_pixel_format(read.pixel_format)) {
        return CodecStatus::kCompressedHeaderRefused;
    }
    header = read;
    return CodecStatus::kOk;
}

DecodedPicture decode_picture(std::span<const uint8_t> compressed, std::span<uint8_t> decoded) {
    DecodedPicture picture;
    picture.status = BufferUnzipHeader(compressed, picture.header);
    if (picture.status != CodecStatus::kOk) {
        return picture;
    }
    const PictureHeader& header = picture.header;
    if (header.width == 0 || header.height == 0) {
        picture.status = CodecStatus::kEmptyPicture;
        return picture;
    }
    picture.form = form_of_header(header);
    picture.pixel_bytes =
        std::size_t{header.width} * header.height * bytes_per_pixel(header.pixel_format);
    if (picture.pixel_bytes > decoded.size() ||
        !decode_whole(compressed, decoded.first(picture.pixel_bytes))) {
        picture.status = CodecStatus::kMalformedBody;
        return picture;
    }
    picture.decoded_bytes = picture.pixel_bytes;
    // The marker form's last unit runs 2 bytes past an RGB565 picture of an odd pixel count; the
    // body thus holds 2 bytes more than the picture, which the check has always pointed out.
    picture.length_differs =
        picture.form == BodyForm::kMarker && picture.pixel_bytes % kUnitSize != 0;
    return picture;
}

DecodedPicture check_picture(std::span<const uint8_t> compressed,
                             std::span<const uint8_t> original_pixels, std::span<uint8_t> decoded) {
    DecodedPicture picture = decode_picture(compressed, decoded);
    if (picture.status != CodecStatus::kOk) {
        return picture;
    }
    const std::size_t comparable =
        std::min({picture.pixel_bytes, picture.decoded_bytes, original_pixels.size()});
    const std::size_t offset =
        picture.form == BodyForm::kBlock
            ? first_block_form_difference(decoded.data(), original_pixels.data(), comparable)
            : first_difference(decoded.data(), original_pixels.data(), comparable);
    if (offset < picture.pixel_bytes) {
        picture.status = CodecStatus::kDecodedDiffers;
        picture.differs_at = offset;
    }
    return picture;
}

}  // namespace framestow
