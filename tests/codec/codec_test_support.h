#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec/byte_order.h"
#include "codec/compression_settings.h"
#include "codec/picture_format.h"

namespace framestow::testing {

// Collects what the code under test prints to std::cout for as long as it lives.
class CoutCapture {
  public:
    CoutCapture() : saved_(std::cout.rdbuf(captured_.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(saved_); }
    CoutCapture(const CoutCapture&) = delete;
    CoutCapture& operator=(const CoutCapture&) = delete;
    std::string text() const { return captured_.str(); }

  private:
    std::ostringstream captured_;
    std::streambuf* saved_;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "codec_test_XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary folder from " + pattern);
        }
        path_ = pattern;
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sections as the settings reader would give them: {bit_type, block_len, zip_type}.
inline CodecSettings png_settings(int32_t bit_type, int32_t block_len, int32_t zip_type) {
    return CodecSettings{CompressionSettings{bit_type, block_len, zip_type}, std::nullopt};
}
inline const CodecSettings kBlockSettings = png_settings(0, 1, 1);
inline const CodecSettings kMarkerSettings = png_settings(0, 1, 0);

// Places an ImageBitmap (header with magic 0x1234, then `pixels`) at the start of `bitmap`.
inline ImageBitmap put_picture(std::span<uint8_t> bitmap, uint16_t format, uint16_t width,
                               uint16_t height, const std::vector<uint8_t>& pixels) {
    store_picture_header(bitmap.data(), PictureHeader{kMagicBitmap, format, width, height});
    std::copy(pixels.begin(), pixels.end(), bitmap.begin() + kPictureHeaderSize);
    const int32_t kind = format == kFormat32 ? kPictureKindPng : kPictureKindBmp;
    return ImageBitmap{static_cast<int32_t>(kPictureHeaderSize + pixels.size()), width, height,
                       kind};
}

// `count` 32-bit pixels of `value`, in pixel byte order.
inline std::vector<uint8_t> repeated_units(uint32_t value, std::size_t count) {
    std::vector<uint8_t> bytes(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        store_le32(bytes.data() + i * 4, value);
    }
    return bytes;
}

// A small deterministic generator, so pictures come out the same on every run.
inline uint32_t next_random(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state;
}

}  // namespace framestow::testing
