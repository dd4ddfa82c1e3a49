#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// PNG files that the inspector wrote, read back with libpng's simplified reader; header-only, so
// that a test links libpng itself and nothing else of the test helpers.
namespace framestow::testing {

struct DecodedPng {
    uint32_t width = 0;
    uint32_t height = 0;
    bool alpha = false;           // the file has an alpha channel
    std::vector<uint8_t> pixels;  // empty when libpng cannot read the whole file
};

// Reads the file as libpng's PNG_FORMAT_... `format`, or in the file's own format when
// kFileFormat.
constexpr uint32_t kFileFormat = ~uint32_t{0};
inline DecodedPng decode_png(std::string_view file, uint32_t format) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    DecodedPng decoded;
    if (png_image_begin_read_from_memory(&image, file.data(), file.size()) != 0) {
        decoded.width = image.width;
        decoded.height = image.height;
        decoded.alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
        if (format != kFileFormat) {
            image.format = format;
        }
        decoded.pixels.resize(PNG_IMAGE_SIZE(image));
        if (png_image_finish_read(&image, nullptr, decoded.pixels.data(), 0, nullptr) == 0) {
            decoded.pixels.clear();
        }
    }
    png_image_free(&image);
    return decoded;
}

// The bytes that base64 text (the standard alphabet) holds; other characters, the padding among
// them, are skipped.
inline std::string from_base64(std::string_view text) {
    static constexpr std::string_view kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        const std::size_t digit = kDigits.find(c);
        if (digit == std::string_view::npos) {
            continue;
        }
        bits = bits << 6 | static_cast<uint32_t>(digit);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>(bits >> count & 0xFF));
        }
    }
    return bytes;
}

}  // namespace framestow::testing
