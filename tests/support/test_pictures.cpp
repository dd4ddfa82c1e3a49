#include "support/test_pictures.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <map>
#include <stdexcept>

#include "codec/byte_order.h"
#include "support/workspace_harness.h"

namespace framestow::testing {
namespace {

// Everything libpng needs to write one picture, prepared before the setjmp scope.
struct PngPlan {
    uint32_t width = 0;
    uint32_t height = 0;
    int bit_depth = 8;
    int colour_type = PNG_COLOR_TYPE_RGBA;
    int interlace = PNG_INTERLACE_NONE;
    std::vector<png_color> palette;
    std::vector<png_byte> palette_alphas;  // empty: no transparency chunk
    std::vector<png_byte> samples;         // all rows, as PNG stores them
    std::vector<png_bytep> rows;
};

class PngWriteStructs {
  public:
    PngWriteStructs()
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr)) {
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
        if (png_ == nullptr || info_ == nullptr) {
            throw std::runtime_error("cannot create libpng's write structures");
        }
    }
    ~PngWriteStructs() { png_destroy_write_struct(&png_, &info_); }
    PngWriteStructs(const PngWriteStructs&) = delete;
    PngWriteStructs& operator=(const PngWriteStructs&) = delete;
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

void append_to_vector(png_structp png, png_bytep data, std::size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flush_nothing(png_structp) {}

// PNG's own fields are big-endian.
void append_be32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

// libpng reports a write error by jumping back here; the jump crosses only libpng's frames.
bool write_guarded(png_structp png, png_infop info, PngPlan& plan) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_IHDR(png, info, plan.width, plan.height, plan.bit_depth, plan.colour_type,
                 plan.interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!plan.palette.empty()) {
        png_set_PLTE(png, info, plan.palette.data(), static_cast<int>(plan.palette.size()));
    }
    if (!plan.palette_alphas.empty()) {
        png_set_tRNS(png, info, plan.palette_alphas.data(),
                     static_cast<int>(plan.palette_alphas.size()), nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, plan.rows.data());
    png_write_end(png, nullptr);
    return true;
}

int colour_type_of(PngColour colour) {
    switch (colour) {
        case PngColour::kRgba:
            return PNG_COLOR_TYPE_RGBA;
        case PngColour::kRgb:
            return PNG_COLOR_TYPE_RGB;
        case PngColour::kPalette:
            return PNG_COLOR_TYPE_PALETTE;
        case PngColour::kGrey:
            return PNG_COLOR_TYPE_GRAY;
        case PngColour::kGreyAlpha:
            return PNG_COLOR_TYPE_GRAY_ALPHA;
    }
    throw std::logic_error("unknown PNG colour");
}

// The 8-bit samples that one RGBA pixel gives for a colour type other than palette.
std::vector<uint8_t> pixel_samples(PngColour colour, const uint8_t* rgba) {
    switch (colour) {
        case PngColour::kRgba:
            return {rgba[0], rgba[1], rgba[2], rgba[3]};
        case PngColour::kRgb:
            return {rgba[0], rgba[1], rgba[2]};
        case PngColour::kGrey:
            return {rgba[0]};
        case PngColour::kGreyAlpha:
            return {rgba[0], rgba[3]};
        case PngColour::kPalette:
            break;
    }
    throw std::logic_error("palette pixels have no samples of their own");
}

// Palette indices for every pixel, with one entry for each distinct colour.
std::vector<uint8_t> palette_indices(const std::vector<uint8_t>& rgba, bool with_alpha,
                                     PngPlan& plan) {
    std::map<uint32_t, uint8_t> index_of;
    std::vector<uint8_t> indices;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const uint8_t alpha = with_alpha ? rgba[i + 3] : 0xFF;
        const uint32_t key = load_le32(&rgba[i]) & 0x00FFFFFF;
        const uint32_t colour_key = key | (uint32_t{alpha} << 24);
        auto found = index_of.find(colour_key);
        if (found == index_of.end()) {
            if (index_of.size() == 256) {
                throw std::invalid_argument("more than 256 colours for a palette picture");
            }
            found = index_of.emplace(colour_key, static_cast<uint8_t>(index_of.size())).first;
            plan.palette.push_back(png_color{rgba[i], rgba[i + 1], rgba[i + 2]});
            if (with_alpha) {
                plan.palette_alphas.push_back(alpha);
            }
        }
        indices.push_back(found->second);
    }
    return indices;
}

void append_sample(std::vector<png_byte>& samples, uint8_t value, int bit_depth) {
    samples.push_back(value);
    if (bit_depth == 16) {
        samples.push_back(static_cast<png_byte>(value ^ 0xFF));
    }
}

PngPlan plan_png(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba,
                 const PngOptions& options) {
    if (rgba.size() != uint64_t{width} * height * 4) {
        throw std::invalid_argument("pixel array does not match the picture size");
    }
    if (options.bit_depth != 8 && options.bit_depth != 16) {
        throw std::invalid_argument("bit depth must be 8 or 16");
    }
    PngPlan plan;
    plan.width = width;
    plan.height = height;
    plan.bit_depth = options.bit_depth;
    plan.colour_type = colour_type_of(options.colour);
    plan.interlace = options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
    if (options.colour == PngColour::kPalette) {
        if (options.bit_depth != 8) {
            throw std::invalid_argument("palette pictures are 8-bit here");
        }
        plan.samples = palette_indices(rgba, options.palette_transparency, plan);
    } else {
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            for (uint8_t value : pixel_samples(options.colour, &rgba[i])) {
                append_sample(plan.samples, value, options.bit_depth);
            }
        }
    }
    const std::size_t row_bytes = height == 0 ? 0 : plan.samples.size() / height;
    for (std::size_t y = 0; y < height; ++y) {
        plan.rows.push_back(plan.samples.data() + y * row_bytes);
    }
    return plan;
}

}  // namespace

std::vector<uint8_t> encode_png(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba,
                                const PngOptions& options) {
    PngPlan plan = plan_png(width, height, rgba, options);
    const PngWriteStructs structs;
    std::vector<uint8_t> out;
    png_set_write_fn(structs.png(), &out, append_to_vector, flush_nothing);
    if (!write_guarded(structs.png(), structs.info(), plan)) {
        throw std::runtime_error("libpng could not write the test picture");
    }
    return out;
}

void write_png(const std::filesystem::path& path, uint32_t width, uint32_t height,
               const std::vector<uint8_t>& rgba, const PngOptions& options) {
    write_bytes(path, encode_png(width, height, rgba, options));
}

std::vector<uint8_t> uniform_rgba(uint32_t width, uint32_t height, uint8_t red, uint8_t green,
                                  uint8_t blue, uint8_t alpha) {
    std::vector<uint8_t> pixels;
    pixels.reserve(uint64_t{width} * height * 4);
    for (uint64_t i = 0; i < uint64_t{width} * height; ++i) {
        pixels.insert(pixels.end(), {red, green, blue, alpha});
    }
    return pixels;
}

std::vector<uint8_t> png_signature() {
    return {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
}

std::vector<uint8_t> png_chunk(std::string_view type, const std::vector<uint8_t>& data) {
    if (type.size() != 4) {
        throw std::invalid_argument("a chunk type has 4 letters");
    }
    const auto length = static_cast<uint32_t>(data.size());
    std::vector<uint8_t> chunk;
    chunk.reserve(12 + data.size());
    append_be32(chunk, length);
    chunk.insert(chunk.end(), type.begin(), type.end());
    chunk.insert(chunk.end(), data.begin(), data.end());
    // The CRC covers the type and the data.
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), chunk.data() + 4, static_cast<uInt>(4 + length));
    append_be32(chunk, static_cast<uint32_t>(crc));
    return chunk;
}

std::vector<uint8_t> png_header_data(uint32_t width, uint32_t height, uint8_t bit_depth,
                                     uint8_t colour_type) {
    std::vector<uint8_t> data;
    append_be32(data, width);
    append_be32(data, height);
    // Compression, filter and interlace methods: 0.
    data.insert(data.end(), {bit_depth, colour_type, 0, 0, 0});
    return data;
}

// A BMP file:
//
//   offset  width  field
//   0       2      "BM"
//   2       u32le  file size
//   10      u32le  pixel data offset: 70 with bit fields, else 54
//   14      u32le  info header size, 40
//   18      s32le  width
//   22      s32le  height, negative for top-down
//   26      u16le  planes, 1
//   28      u16le  bit count
//   30      u32le  compression: 3 with bit fields, else 0
//   34      u32le  pixel data size
//   54      3 x u32le  red, green and blue masks of RGB565, then 4 zero bytes (bit fields only)
std::vector<uint8_t> make_bmp(int32_t width, int32_t height, const std::vector<uint16_t>& pixels,
                              const BmpOptions& options) {
    if (width < 0 || height < 0 || pixels.size() != uint64_t(width) * uint64_t(height)) {
        throw std::invalid_argument("pixel array does not match the picture size");
    }
    const std::size_t stride = (std::size_t(width) * 2 + 3) / 4 * 4;
    const uint32_t pixel_offset = options.bit_fields ? 70 : 54;
    const std::size_t data_size = stride * std::size_t(height);
    std::vector<uint8_t> file(pixel_offset + data_size, 0);
    file[0] = 'B';
    file[1] = 'M';
    store_le32(&file[2], static_cast<uint32_t>(file.size()));
    store_le32(&file[10], pixel_offset);
    store_le32(&file[14], 40);
    store_le32(&file[18], static_cast<uint32_t>(width));
    store_le32(&file[22], static_cast<uint32_t>(options.top_down ? -height : height));
    store_le16(&file[26], 1);
    store_le16(&file[28], options.bit_count);
    store_le32(&file[30], options.bit_fields ? 3 : 0);
    store_le32(&file[34], static_cast<uint32_t>(data_size));
    if (options.bit_fields) {
        for (std::size_t i = 0; i < options.masks.size(); ++i) {
            store_le32(&file[kBmpMasksField + 4 * i], options.masks[i]);
        }
    }
    for (std::size_t row = 0; row < std::size_t(height); ++row) {
        const std::size_t stored = options.top_down ? row : std::size_t(height) - 1 - row;
        uint8_t* out = &file[pixel_offset + stored * stride];
        for (std::size_t x = 0; x < std::size_t(width); ++x) {
            store_le16(out + 2 * x, pixels[row * std::size_t(width) + x]);
        }
    }
    return file;
}

}  // namespace framestow::testing
