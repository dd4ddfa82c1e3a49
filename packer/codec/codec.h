#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec/compression_settings.h"
#include "codec/picture_format.h"

// The codec on byte spans, without files: what simpleZip and BufferUnzip do in memory, callable
// on any bytes (tests, fuzzers, benchmarks). Nothing here reads or writes past a span it is given.
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

// Tests the ImageBitmap header at the start of `bitmap` (`bitmap_size` bytes in all, at least 8,
// magic 0x1234, a known pixel format) and writes the compressed header at the start of
// `compressed`, setting `counter` to 8. Returns 0, or -1 without a message.
int SimpleZipHeader(std::span<const uint8_t> bitmap, int32_t bitmap_size,
                    const CodecSettings& settings, std::span<uint8_t> compressed,
                    std::size_t& counter);

// Compresses the ImageBitmap at the start of `bitmap` into `compressed` and sets
// `compressed_size` to the header plus body length. The block form changes leading 0x5F bytes
// of the pixel units in `bitmap` to 0x5E. Returns 0 or -1.
int compress_picture(std::span<uint8_t> bitmap, const ImageBitmap& picture,
                     const CodecSettings& settings, std::span<uint8_t> compressed,
                     std::size_t& compressed_size);

// Tests the header of a compressed image (more than 8 bytes in all, a compressed magic, a known
// pixel format) and copies it to `header`. Returns 0, or -1 without a message.
int BufferUnzipHeader(std::span<const uint8_t> compressed, PictureHeader& header);

struct DecodedPicture {
    PictureHeader header;
    std::size_t pixel_bytes = 0;    // what the header promises: width x height x bytes a pixel
    std::size_t decoded_bytes = 0;  // what the body gave
};

// Decodes a compressed image into `decoded` with the decoder of choose_body_form. Fails with -1
// for a bad header (with "header err " when width or height is 0), a body that is malformed or
// decodes past `pixel_bytes` (rounded up to whole units in the marker form), or a picture larger
// than `decoded`. A marker body of another length than promised prints
// "BufferUnzip result = -1" and still gives 0, since an RGB565 picture of an odd pixel count
// decodes to 2 bytes more.
int decode_picture(std::span<const uint8_t> compressed, const CodecSettings& settings,
                   std::span<uint8_t> decoded, DecodedPicture& picture);

// decode_picture, then compares the first pixel_bytes decoded bytes with `original_pixels`: a
// difference or a short result prints "BufferUnzip: ERR,decoded picture differs at byte " with
// the offset and fails with -1.
int check_picture(std::span<const uint8_t> compressed, std::span<const uint8_t> original_pixels,
                  const CodecSettings& settings, std::span<uint8_t> decoded,
                  DecodedPicture& picture);

}  // namespace framestow
