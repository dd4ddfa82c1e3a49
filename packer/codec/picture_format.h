#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// The picture header that opens every bitmap file, compressed image file and check file:
//
//   offset  width  field          values
//   0       u16le  magic          0x1234 raw pixels; 0x2345 or 0x4567 compressed
//   2       u16le  pixel format   0x8888 4 bytes a pixel (from PNG); 0xF565 RGB565 (from BMP)
//   4       u16le  width          low 16 bits
//   6       u16le  height         low 16 bits
//
// The pixel bytes follow: rows top to bottom, pixels left to right, no padding.
namespace framestow {

constexpr std::size_t kPictureBufferSize = 10485760;
constexpr std::size_t kPictureHeaderSize = 8;
// The largest number of pixel bytes that fits a buffer behind its header.
constexpr std::size_t kMaxPixelBytes = kPictureBufferSize - kPictureHeaderSize;
// Width and height are stored in 16 bits.
constexpr int64_t kMaxPictureSide = 65535;

constexpr uint16_t kMagicBitmap = 0x1234;
constexpr uint16_t kMagicCompressed = 0x2345;
constexpr uint16_t kMagicCompressedTuned = 0x4567;

constexpr uint16_t kFormat32 = 0x8888;
constexpr uint16_t kFormatRgb565 = 0xF565;

// Which loader read a picture; the compressor picks its settings section by it.
constexpr int32_t kPictureKindPng = 1;
constexpr int32_t kPictureKindBmp = 2;

struct PictureHeader {
    uint16_t magic = 0;
    uint16_t pixel_format = 0;
    uint16_t width = 0;
    uint16_t height = 0;
};

PictureHeader load_picture_header(const uint8_t* bytes);
void store_picture_header(uint8_t* bytes, const PictureHeader& header);

// The decoded picture that a loader leaves in the bitmap buffer: a header with magic 0x1234 and
// the pixel bytes, with the values that travel beside them.
struct ImageBitmap {
    std::span<const uint8_t> bytes;  // header plus pixel bytes, in the bitmap buffer
    int32_t width = 0;
    int32_t height = 0;
    int32_t picture_kind = 0;
    // 32-bit pixels of a PNG with alpha lie blue, green, red, alpha; those of one without lie
    // red, green, blue, 0xFF.
    bool blue_first = false;

    // Header plus pixel bytes; a loaded picture always fits a picture buffer.
    int32_t size() const { return static_cast<int32_t>(bytes.size()); }
};

// One working area of kPictureBufferSize bytes. Its bytes are not cleared when it is made: every
// user writes what it reads, and pages that small pictures never reach cost neither time nor
// memory.
class PictureBuffer {
  public:
    PictureBuffer() : bytes_(std::make_unique_for_overwrite<uint8_t[]>(kPictureBufferSize)) {}
    uint8_t* data() { return bytes_.get(); }
    const uint8_t* data() const { return bytes_.get(); }
    static constexpr std::size_t size() { return kPictureBufferSize; }
    uint8_t* begin() { return data(); }
    uint8_t* end() { return data() + size(); }
    const uint8_t* begin() const { return data(); }
    const uint8_t* end() const { return data() + size(); }
    uint8_t& operator[](std::size_t index) { return bytes_[index]; }
    uint8_t operator[](std::size_t index) const { return bytes_[index]; }

  private:
    std::unique_ptr<uint8_t[]> bytes_;
};

// The working areas of one run, allocated once and reused for every picture: the bitmap buffer
// (loader output, compressor input), the compressed buffer (compressor output) and the decode
// area into which the round-trip check decodes, so that it can compare against the bitmap.
struct PictureBuffers {
    PictureBuffer bitmap;
    PictureBuffer compressed;
    PictureBuffer decoded;
};

}  // namespace framestow
