#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec/codec_status.h"
#include "codec/compression_settings.h"
#include "codec/picture_format.h"

// The codec on byte spans: bytes in, bytes and a status out. It reads no file, writes no file
// and prints nothing, so the same calls serve the packer's stages, tests, fuzzers and
// benchmarks. Nothing here reads or writes past a span it is given.
//
// A compressed image is a picture header (picture_format.h) with magic 0x2345 or 0x4567 followed
// by a body in the marker form (marker_form.h) or the block form (block_form.h).
namespace framestow {

enum class BodyForm { kMarker, kBlock, kHeaderOnly };

// 0x4567 when the png section is complete and its zip_type is not 0, 0x2345 otherwise; for
// every kind of picture, so the magic tells only that the image is compressed.
uint16_t compressed_magic(const CodecSettings& settings);

// The body form of a picture, decided alike by the compressor and the round-trip check: the
// block form for a 32-bit picture (kind 1) of other than one pixel when the png section is
// complete with a zip_type other than 0; the marker form for every other 32-bit or RGB565
// picture (kind 2); no body for any other kind.
BodyForm choose_body_form(int32_t picture_kind, int64_t pixel_count, const CodecSettings& settings);

// The compressor's further rules on the settings: the block form needs zip_type 1, bit_type 0,
// block_len not 0 and at least one pixel; an RGB565 picture of more than one pixel needs the bmp
// section incomplete or with zip_type 0.
bool settings_allow_compression(int32_t picture_kind, int64_t pixel_count,
                                const CodecSettings& settings);

// The picture kind that gives pixels of `pixel_format`, or 0 for an unknown format.
int32_t picture_kind_of_format(uint16_t pixel_format);

// Tests the ImageBitmap header (at least 8 bytes, magic 0x1234, a known pixel format) and writes
// the compressed header at the start of `compressed`, setting `counter` to 8. Fails with
// kBitmapRefused.
[[nodiscard]] CodecStatus SimpleZipHeader(std::span<const uint8_t> bitmap,
                                          const CodecSettings& settings,
                                          std::span<uint8_t> compressed, std::size_t& counter);

struct CompressedPicture {
    CodecStatus status = CodecStatus::kOk;
    std::size_t size = 0;  // header plus body, when status is kOk
};

// Compresses `bitmap` into the start of `compressed`. The bitmap is not changed: the block form
// reads a leading 0x5F byte of a unit as 0x5E as it goes.
[[nodiscard]] CompressedPicture compress_picture(const ImageBitmap& bitmap,
                                                 const CodecSettings& settings,
                                                 std::span<uint8_t> compressed);

// Tests the header of a compressed image (more than 8 bytes in all, a compressed magic, a known
// pixel format) and copies it to `header`. Fails with kCompressedHeaderRefused.
[[nodiscard]] CodecStatus BufferUnzipHeader(std::span<const uint8_t> compressed,
                                            PictureHeader& header);

struct DecodedPicture {
    CodecStatus status = CodecStatus::kOk;
    PictureHeader header;  // valid unless status is kCompressedHeaderRefused
    BodyForm form = BodyForm::kMarker;
    std::size_t pixel_bytes = 0;    // what the header promises: width x height x bytes a pixel
    std::size_t decoded_bytes = 0;  // what the body gave: all of them, or none
    // The marker body of an RGB565 picture of an odd pixel count, whose last unit runs 2 bytes
    // past the picture. This alone does not fail the decoding.
    bool length_differs = false;
    std::size_t differs_at = 0;  // for kDecodedDiffers: the first pixel byte that differs
};

// Decodes a compressed image into the start of `decoded` with the portable decoder of decoder/,
// which the firmware uses too, so that the check proves what the device will draw. The decoder
// reads the body form from the header. Fails for a bad header, a zero width or height, a
// picture larger than `decoded`, or any body that does not give exactly the promised pixels.
[[nodiscard]] DecodedPicture decode_picture(std::span<const uint8_t> compressed,
                                            std::span<uint8_t> decoded);

// The round-trip check: decode_picture, then the decoded pixels compared with `original_pixels`
// as the compressor read them (a leading 0x5F of a unit as 0x5E in the block form). A difference
// fails with kDecodedDiffers.
[[nodiscard]] DecodedPicture check_picture(std::span<const uint8_t> compressed,
                                           std::span<const uint8_t> original_pixels,
                                           std::span<uint8_t> decoded);

}  // namespace framestow
