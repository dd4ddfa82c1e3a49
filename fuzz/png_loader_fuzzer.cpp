// The PNG loader given any bytes as a picture file. It must answer -3 for anything without the
// PNG signature, fail cleanly on every damaged or unsupported file, and otherwise leave an
// ImageBitmap whose size and header agree with the picture it reports.
//
// libpng refuses a critical chunk whose CRC does not match, so nearly every change the fuzzer
// makes would end at the first chunk. The harness puts the right CRC into every whole chunk
// first: a damaged file with correct CRCs is as easy to make for anyone else.

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <sstream>
#include <vector>

#include "codec/byte_order.h"
#include "codec/picture_format.h"
#include "fuzz_check.h"
#include "image_input/png_loader.h"

using fuzzcheck::require;

namespace {

constexpr uint8_t kPngSignatureStart[] = {0x89, 'P', 'N', 'G'};

bool starts_with_png_signature(std::span<const uint8_t> bytes) {
    if (bytes.size() < sizeof kPngSignatureStart) {
        return false;
    }
    for (std::size_t i = 0; i < sizeof kPngSignatureStart; ++i) {
        if (bytes[i] != kPngSignatureStart[i]) {
            return false;
        }
    }
    return true;
}

uint32_t load_be32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

void store_be32(uint8_t* bytes, uint32_t value) {
    framestow::store_be16(bytes, static_cast<uint16_t>(value >> 16));
    framestow::store_be16(bytes + 2, static_cast<uint16_t>(value));
}

// Each chunk after the 8-byte signature: u32be length, 4-byte type, data, u32be CRC of type and
// data. A chunk that runs past the end is left as it is.
std::vector<uint8_t> with_correct_crcs(std::span<const uint8_t> file) {
    constexpr std::size_t kSignatureSize = 8;
    constexpr std::size_t kLengthSize = 4;
    constexpr std::size_t kTypeSize = 4;
    constexpr std::size_t kCrcSize = 4;
    std::vector<uint8_t> fixed(file.begin(), file.end());
    std::size_t chunk = kSignatureSize;
    while (fixed.size() - std::min(chunk, fixed.size()) >= kLengthSize + kTypeSize + kCrcSize) {
        const uint64_t length = load_be32(fixed.data() + chunk);
        const uint64_t crc_at = chunk + kLengthSize + kTypeSize + length;
        if (crc_at + kCrcSize > fixed.size()) {
            break;
        }
        const uint8_t* typed = fixed.data() + chunk + kLengthSize;
        const uLong crc = crc32(crc32(0, nullptr, 0), typed, static_cast<uInt>(kTypeSize + length));
        store_be32(fixed.data() + crc_at, static_cast<uint32_t>(crc));
        chunk = static_cast<std::size_t>(crc_at + kCrcSize);
    }
    return fixed;
}

void check_loaded_picture(const framestow::PictureBuffer& buffer,
                          const framestow::ImageBitmap& bitmap) {
    require(bitmap.picture_kind == framestow::kPictureKindPng, "a PNG picture is of kind 1");
    require(bitmap.width >= 0 && bitmap.width <= framestow::kMaxPictureSide && bitmap.height >= 0 &&
                bitmap.height <= framestow::kMaxPictureSide,
            "width and height fit the header's 16 bits");
    const uint64_t pixel_bytes = uint64_t(bitmap.width) * uint64_t(bitmap.height) * 4;
    require(pixel_bytes <= framestow::kMaxPixelBytes, "the pixels fit the bitmap buffer");
    require(bitmap.bytes.size() == pixel_bytes + framestow::kPictureHeaderSize,
            "size is width x height x 4 + 8");
    const framestow::PictureHeader header = framestow::load_picture_header(buffer.data());
    require(header.magic == framestow::kMagicBitmap, "bitmap magic 0x1234");
    require(header.pixel_format == framestow::kFormat32, "pixel format 0x8888");
    require(header.width == uint16_t(bitmap.width) && header.height == uint16_t(bitmap.height),
            "header width and height agree with the picture");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // One set of areas for the whole run, as the packer has.
    static framestow::PictureBuffer buffer;
    const std::vector<uint8_t> fixed = with_correct_crcs(std::span<const uint8_t>(data, size));
    const std::span<const uint8_t> file(fixed);
    framestow::ImageBitmap bitmap;
    framestow::SpanSource source(file);
    std::ostringstream messages;
    std::ostringstream errors;
    const int result = framestow::decode_png_image(source, buffer, bitmap, messages, errors);
    require(result == 0 || result == -1 || result == framestow::kNotPngFile,
            "the PNG loader answers 0, -1 or -3");
    require((result == framestow::kNotPngFile) == (size >= 4 && !starts_with_png_signature(file)),
            "-3 exactly for 4 or more bytes without the PNG signature");
    if (result == 0) {
        check_loaded_picture(buffer, bitmap);
    } else {
        require(bitmap.bytes.empty(), "the bitmap is set only on success");
    }
    return 0;
}
