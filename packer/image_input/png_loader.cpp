#include "image_input/png_loader.h"

#include <png.h>

#include <array>
#include <bit>
#include <csetjmp>
#include <cstring>
#include <sstream>
#include <vector>

#include "image_input/image_bitmap.h"

// A PNG picture becomes 4 bytes a pixel:
//
//   picture once expanded   bytes of one pixel
//   RGB with alpha          blue, green, red, alpha (libpng's BGR transform)
//   RGB                     red, green, blue, 0xFF
//
// The two orders differ, as the device expects them.
namespace framestow {
namespace {

// The loader tells a PNG file from anything else by the first 4 bytes of the signature.
constexpr std::size_t kSignatureCheckBytes = 4;
constexpr uint64_t kPngPixelSize = 4;

// libpng's warnings and errors, written as its default handlers would write them to standard
// error, but into the loader's `errors` stream: the caller decides when they reach the console,
// so that they stay in step with the picture's other lines. An error jumps back to the setjmp
// of the step that failed.
void write_libpng_error(png_structp png, png_const_charp message) {
    *static_cast<std::ostream*>(png_get_error_ptr(png)) << "libpng error: " << message << '\n';
    png_longjmp(png, 1);
}

void write_libpng_warning(png_structp png, png_const_charp message) {
    *static_cast<std::ostream*>(png_get_error_ptr(png)) << "libpng warning: " << message << '\n';
}

// Owns libpng's read and info structures, so that every way out of a load frees them.
class PngReadStructs {
  public:
    explicit PngReadStructs(std::ostream& errors)
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, write_libpng_error,
                                      write_libpng_warning)) {
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
    }
    ~PngReadStructs() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngReadStructs(const PngReadStructs&) = delete;
    PngReadStructs& operator=(const PngReadStructs&) = delete;

    bool ready() const { return png_ != nullptr && info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// Runs one libpng step. On a damaged file libpng jumps back here; the jump crosses only libpng's
// own frames, the step and the read callback, none of which owns anything to destroy.
template <typename Step>
bool run_guarded(png_structp png, const Step& step) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    step();
    return true;
}

void read_from_source(png_structp png, png_bytep data, std::size_t length) {
    auto* source = static_cast<ByteSource*>(png_get_io_ptr(png));
    if (source->read(data, length) != length) {
        png_error(png, "Read Error");
    }
}

// 0 for a PNG file, -1 for fewer than 4 bytes, kNotPngFile for anything else.
int check_signature(ByteSource& source) {
    std::array<png_byte, kSignatureCheckBytes> start{};
    if (source.read(start.data(), start.size()) != start.size()) {
        return -1;
    }
    return png_sig_cmp(start.data(), 0, start.size()) == 0 ? 0 : kNotPngFile;
}

// The header keeps 16 bits of each side, and the pixels must fit the bitmap buffer.
bool too_large(uint32_t width, uint32_t height) {
    return width > kMaxPictureSide || height > kMaxPictureSide ||
           !fits_bitmap_buffer(uint64_t{width} * height * kPngPixelSize);
}

// Whether the picture has alpha once expanded: an alpha channel, or a transparency chunk that
// the expansion turns into one.
bool has_alpha(png_structp png, png_infop info) {
    return (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
           png_get_valid(png, info, PNG_INFO_tRNS) != 0;
}

// Bytes a pixel that libpng delivers for the colour types the bitmap takes; 0 for the others.
std::size_t source_pixel_size(int colour_type) {
    switch (colour_type) {
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        default:
            return 0;
    }
}

// Turns each row's 3-byte pixels red, green, blue into red, green, blue, FF in place. Working
// from the last pixel back, a pixel's 4 bytes never cover a 3-byte pixel that is still to be
// read; each pixel is read as 4 bytes at once, the fourth (the next pixel's, or the row's spare
// room after the last one) replaced by the alpha.
void widen_rgb_rows(const std::vector<png_bytep>& rows, uint32_t width) {
    // The fourth byte in memory of a 32-bit value, whichever the machine's byte order.
    constexpr uint32_t kFourthByte =
        std::endian::native == std::endian::little ? 0xFF000000u : 0x000000FFu;
    for (png_bytep row : rows) {
        for (std::size_t x = width; x-- > 0;) {
            uint32_t pixel;
            std::memcpy(&pixel, row + 3 * x, sizeof pixel);
            pixel |= kFourthByte;
            std::memcpy(row + 4 * x, &pixel, sizeof pixel);
        }
    }
}

// libpng writes each row straight to its place in the bitmap buffer.
std::vector<png_bytep> bitmap_rows(PictureBuffer& buffer, uint32_t width, uint32_t height) {
    std::vector<png_bytep> rows(height);
    const std::size_t stride = std::size_t{width} * kPngPixelSize;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = buffer.data() + kPictureHeaderSize + y * stride;
    }
    return rows;
}

// Of the ancillary chunks only tRNS changes the pixels kept here (no gamma or colour management
// is applied). Every other one is skipped unread, so a damaged or absurdly long one can neither
// fail the load nor make libpng allocate memory for its data.
void skip_unused_chunks(png_structp png) {
    static constexpr png_byte kUnused[] =
        "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0"
        "sRGB\0tEXt\0tIME\0zTXt";
    constexpr int kUnusedCount = sizeof(kUnused) / 5;
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnused, kUnusedCount);
}

// Reads the chunks before the pixels from `source`, whose signature has been checked.
bool read_png_header(png_structp png, png_infop info, ByteSource& source) {
    png_set_read_fn(png, &source, read_from_source);
    png_set_sig_bytes(png, kSignatureCheckBytes);
    // libpng's own limit on the sides (a million pixels) would refuse some huge headers before
    // our size test, without its message; the size test is the limit that counts.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    skip_unused_chunks(png);
    return run_guarded(png, [&] { png_read_info(png, info); });
}

// Reads the header and applies the size test before any pixel is decoded, so a file that claims
// a huge picture is refused before libpng allocates anything for it.
int read_png_file(const PngReadStructs& structs, ByteSource& source, PictureBuffer& buffer,
                  ImageBitmap& bitmap, std::ostream& messages) {
    png_structp png = structs.png();
    png_infop info = structs.info();
    if (!read_png_header(png, info, source)) {
        return -1;
    }
    // libpng refuses sides above 2^31 - 1, so both fit the signed fields.
    const uint32_t width = png_get_image_width(png, info);
    const uint32_t height = png_get_image_height(png, info);
    bitmap.width = static_cast<int32_t>(width);
    bitmap.height = static_cast<int32_t>(height);
    bitmap.picture_kind = kPictureKindPng;
    if (too_large(width, height)) {
        messages << "ReadPngFile ERR: File too large" << '\n';
        return -1;
    }
    // Palette to RGB (with alpha where a transparency chunk exists), low bit depths widened,
    // 16-bit samples cut to 8 bits, and red and blue swapped where there is alpha.
    const bool alpha = has_alpha(png, info);
    bitmap.blue_first = alpha;
    const bool transformed = run_guarded(png, [&] {
        png_set_expand(png);
        png_set_strip_16(png);
        if (alpha) {
            png_set_bgr(png);
        }
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
    });
    if (!transformed) {
        return -1;
    }
    const std::size_t pixel_size = source_pixel_size(png_get_color_type(png, info));
    if (pixel_size == 0 || png_get_bit_depth(png, info) != 8 ||
        png_get_rowbytes(png, info) != std::size_t{width} * pixel_size) {
        return -1;
    }
    std::vector<png_bytep> rows = bitmap_rows(buffer, width, height);
    const bool decoded = run_guarded(png, [&] {
        png_read_image(png, rows.data());
        png_read_end(png, info);
    });
    if (!decoded) {
        return -1;
    }
    if (pixel_size == 3) {
        widen_rgb_rows(rows, width);
    }
    finish_bitmap(buffer, kFormat32, uint64_t{width} * height * kPngPixelSize, bitmap);
    return 0;
}

}  // namespace

int decode_png_image(ByteSource& source, PictureBuffer& buffer, ImageBitmap& bitmap,
                     std::ostream& messages, std::ostream& errors) {
    const int signature = check_signature(source);
    if (signature != 0) {
        return signature;
    }
    const PngReadStructs structs(errors);
    if (!structs.ready()) {
        return -1;
    }
    const int result = read_png_file(structs, source, buffer, bitmap, messages);
    if (result != 0) {
        messages << "LoadPngImage ERR: ReadPngFile Failed" << result << '\n';
    }
    return result;
}

std::optional<PngColours> read_png_colours(ByteSource& source) {
    if (check_signature(source) != 0) {
        return std::nullopt;
    }
    std::ostringstream ignored;
    const PngReadStructs structs(ignored);
    if (!structs.ready() || !read_png_header(structs.png(), structs.info(), source)) {
        return std::nullopt;
    }
    if ((png_get_color_type(structs.png(), structs.info()) & PNG_COLOR_MASK_COLOR) == 0) {
        return PngColours::kGrey;
    }
    return has_alpha(structs.png(), structs.info()) ? PngColours::kWithAlpha
                                                    : PngColours::kWithoutAlpha;
}

}  // namespace framestow
