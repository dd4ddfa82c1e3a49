#include "png_writer.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <vector>

namespace framestow::inspect {

namespace {

constexpr uint16_t kFormatRgb565 = 0xF565;
constexpr uint16_t kFormat32 = 0x8888;

// libpng's write structures, freed on every path.
class PngWriteHolder {
  public:
    PngWriteHolder()
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr)),
          info_(png_ ? png_create_info_struct(png_) : nullptr) {}
    ~PngWriteHolder() { png_destroy_write_struct(&png_, &info_); }
    PngWriteHolder(const PngWriteHolder&) = delete;
    PngWriteHolder& operator=(const PngWriteHolder&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    bool ready() const { return png_ != nullptr && info_ != nullptr; }

  private:
    png_structp png_;
    png_infop info_;
};

void append_to_string(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), length);
}

void flush_nothing(png_structp) {}

// 5 and 6 bits widened to 8 by repeating their top bits, so that full intensity stays 0xFF.
std::vector<uint8_t> widened_rgb565(std::span<const uint8_t> pixels) {
    std::vector<uint8_t> rgb;
    rgb.reserve(pixels.size() / 2 * 3);
    for (std::size_t i = 0; i + 1 < pixels.size(); i += 2) {
        const unsigned value = pixels[i] | pixels[i + 1] << 8;
        const unsigned red = value >> 11;
        const unsigned green = value >> 5 & 0x3F;
        const unsigned blue = value & 0x1F;
        rgb.push_back(static_cast<uint8_t>(red << 3 | red >> 2));
        rgb.push_back(static_cast<uint8_t>(green << 2 | green >> 4));
        rgb.push_back(static_cast<uint8_t>(blue << 3 | blue >> 2));
    }
    return rgb;
}

// Whether every alpha byte of 4-byte pixels is 0xFF.
bool opaque(std::span<const uint8_t> pixels) {
    for (std::size_t i = 3; i < pixels.size(); i += 4) {
        if (pixels[i] != 0xFF) {
            return false;
        }
    }
    return true;
}

// The only code that libpng may leave by longjmp: no object with a destructor lives here.
bool write_rows(const PngWriteHolder& holder, const PixelLayout& layout, int colour_type,
                PngEffort effort, png_bytepp rows) {
    if (setjmp(png_jmpbuf(holder.png())) != 0) {
        return false;
    }
    if (layout.pixel_format == kFormat32) {
        // A 4-byte pixel is the little-endian value 0xAARRGGBB, its bytes blue, green, red,
        // alpha: drawn as a firmware reads it, also when written without its alpha byte.
        png_set_bgr(holder.png());
    }
    switch (effort) {
        case PngEffort::kSmallest:
            png_set_compression_level(holder.png(), 9);
            break;
        case PngEffort::kFastest:
            png_set_compression_level(holder.png(), 1);
            png_set_filter(holder.png(), PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
            break;
        case PngEffort::kThumbnail:
            png_set_compression_strategy(holder.png(), Z_RLE);
            png_set_filter(holder.png(), PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
            break;
    }
    png_set_IHDR(holder.png(), holder.info(), layout.width, layout.height, 8, colour_type,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(holder.png(), holder.info());
    if (colour_type == PNG_COLOR_TYPE_RGB && layout.pixel_format == kFormat32) {
        // 4-byte rows written as RGB: libpng leaves out the fourth byte of each pixel.
        png_set_filler(holder.png(), 0, PNG_FILLER_AFTER);
    }
    png_write_image(holder.png(), rows);
    png_write_end(holder.png(), nullptr);
    return true;
}

}  // namespace

std::optional<std::string> encode_png(const PixelLayout& layout, std::span<const uint8_t> pixels,
                                      PngEffort effort) {
    const bool rgb565 = layout.pixel_format == kFormatRgb565;
    if ((!rgb565 && layout.pixel_format != kFormat32) || layout.width == 0 || layout.height == 0) {
        return std::nullopt;
    }
    const uint64_t expected = uint64_t{layout.width} * layout.height * (rgb565 ? 2 : 4);
    if (pixels.size() != expected) {
        return std::nullopt;
    }
    std::vector<uint8_t> widened;
    if (rgb565) {
        widened = widened_rgb565(pixels);
        pixels = widened;
    }
    const std::size_t row_bytes = std::size_t{layout.width} * (rgb565 ? 3 : 4);
    std::vector<png_bytep> rows(layout.height);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        // libpng reads the rows only; its interface is not const-correct.
        rows[y] = const_cast<png_bytep>(pixels.data() + y * row_bytes);
    }
    std::string file;
    PngWriteHolder holder;
    if (!holder.ready()) {
        return std::nullopt;
    }
    png_set_write_fn(holder.png(), &file, append_to_string, flush_nothing);
    const bool without_alpha = rgb565 || (effort != PngEffort::kSmallest && opaque(pixels));
    if (!write_rows(holder, layout, without_alpha ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA,
                    effort, rows.data())) {
        return std::nullopt;
    }
    return file;
}

}  // namespace framestow::inspect
