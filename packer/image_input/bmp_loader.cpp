#include "image_input/bmp_loader.h"

#include <cstring>
#include <new>
#include <vector>

#include "codec/byte_order.h"
#include "image_input/image_bitmap.h"

// The parts of a BMP file that are read, all little-endian:
//
//   offset  width  field
//   0       2      signature "BM"
//   10      u32    offset of the pixel data from the start of the file (70 for the usual RGB565
//                  file, whose 16 bytes of colour masks follow the 40-byte info header)
//   18      s32    width in pixels
//   22      s32    height in rows: positive when the rows are stored bottom-up, negative top-down
//   28      u16    bits a pixel: 16
//   30      u32    compression: 0 (none) or 3 (bit fields)
//   54      u32    with bit fields only: the red, green and blue masks, which must be those of
//   58      u32    RGB565 (F800, 07E0, 001F); they follow the 40-byte info header, or lie inside
//   62      u32    a longer one at the same offsets
//   pixel data     rows of 16-bit pixel values, each row padded to a multiple of 4 bytes
//
// The pixel values pass into the bitmap unchanged, rows top to bottom: without bit fields they
// are taken as RGB565 as they stand.
namespace framestow {
namespace {

constexpr std::size_t kHeadersSize = 54;  // the 14-byte file header and the 40-byte info header
constexpr std::size_t kMasksField = 54;
constexpr std::size_t kMasksSize = 12;
constexpr std::size_t kHeadersWithMasksSize = kHeadersSize + kMasksSize;
static_assert(BmpHeaders::kSize == kHeadersWithMasksSize);
constexpr std::size_t kPixelOffsetField = 10;
constexpr std::size_t kWidthField = 18;
constexpr std::size_t kHeightField = 22;
constexpr std::size_t kBitCountField = 28;
constexpr std::size_t kCompressionField = 30;
constexpr uint16_t kBitsPerPixel = 16;
constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionBitFields = 3;
constexpr uint64_t kBmpPixelSize = 2;
constexpr std::array<uint32_t, 3> kRgb565Masks = {0xF800, 0x07E0, 0x001F};

struct BmpLayout {
    uint32_t pixel_offset = 0;
    int64_t width = 0;
    int64_t rows = 0;
    bool top_down = false;
    uint16_t bit_count = 0;
    uint32_t compression = 0;
    std::array<uint32_t, 3> masks{};  // red, green, blue; read with bit fields only

    bool has_masks() const { return compression == kCompressionBitFields; }
    // Where the pixel data may begin at the earliest.
    std::size_t headers_size() const { return has_masks() ? kHeadersWithMasksSize : kHeadersSize; }
    uint64_t row_bytes() const { return static_cast<uint64_t>(width) * kBmpPixelSize; }
    uint64_t stride() const { return (row_bytes() + 3) / 4 * 4; }
    uint64_t pixel_bytes() const { return row_bytes() * static_cast<uint64_t>(rows); }
    // From the first row to the last pixel of the last row: writers may leave out the padding
    // of the last row.
    uint64_t pixel_data_length() const {
        return rows == 0 ? 0 : stride() * static_cast<uint64_t>(rows - 1) + row_bytes();
    }
};

bool announces_masks(const BmpHeaders& headers) {
    return load_le32(headers.bytes.data() + kCompressionField) == kCompressionBitFields;
}

bool headers_complete(const BmpHeaders& headers) {
    return headers.length >= kHeadersSize &&
           headers.length == (announces_masks(headers) ? kHeadersWithMasksSize : kHeadersSize);
}

BmpLayout parse_layout(const BmpHeaders& headers) {
    const uint8_t* bytes = headers.bytes.data();
    BmpLayout layout;
    layout.pixel_offset = load_le32(bytes + kPixelOffsetField);
    layout.width = load_le32s(bytes + kWidthField);
    const int64_t height = load_le32s(bytes + kHeightField);
    layout.top_down = height < 0;
    layout.rows = height < 0 ? -height : height;
    layout.bit_count = load_le16(bytes + kBitCountField);
    layout.compression = load_le32(bytes + kCompressionField);
    if (layout.has_masks()) {
        for (std::size_t i = 0; i < layout.masks.size(); ++i) {
            layout.masks[i] = load_le32(bytes + kMasksField + 4 * i);
        }
    }
    return layout;
}

// Refuses, with a message naming the file, what is not a 16-bit picture that fits the bitmap
// buffer. Width, height and kind are set once the size test has passed.
bool accept_layout(const BmpLayout& layout, const BmpPaths& paths, ImageBitmap& bitmap,
                   std::ostream& messages) {
    if (layout.width < 0) {
        messages << "load_bmp_image: Negative width in " << paths.picture << '\n';
        return false;
    }
    if (layout.width > kMaxPictureSide || layout.rows > kMaxPictureSide) {
        messages << "load_bmp_image: Error to open file,The file is too large. " << paths.bitmap
                 << '\n';
        return false;
    }
    bitmap.width = static_cast<int32_t>(layout.width);
    bitmap.height = static_cast<int32_t>(layout.rows);
    bitmap.picture_kind = kPictureKindBmp;
    if (layout.bit_count != kBitsPerPixel) {
        messages << "load_bmp_image: Unsupported bit count " << layout.bit_count << " in "
                 << paths.picture << '\n';
        return false;
    }
    if (layout.compression != kCompressionNone && layout.compression != kCompressionBitFields) {
        messages << "load_bmp_image: Unsupported compression " << layout.compression << " in "
                 << paths.picture << '\n';
        return false;
    }
    // Other masks (555 above all) would give wrong colours on the device, which shows RGB565.
    if (layout.has_masks() && layout.masks != kRgb565Masks) {
        messages << "load_bmp_image: Unsupported bit fields in " << paths.picture << '\n';
        return false;
    }
    if (!fits_bitmap_buffer(layout.pixel_bytes())) {
        messages << "load_bmp_image: Pixel data too large for the bitmap buffer in "
                 << paths.picture << '\n';
        return false;
    }
    if (layout.pixel_offset < layout.headers_size()) {
        messages << "load_bmp_image: Pixel data offset inside the headers of " << paths.picture
                 << '\n';
        return false;
    }
    return true;
}

// Reads the pixel data, which starts at the pixel-data offset, in one read.
bool read_pixel_data(ByteSource& source, const BmpLayout& layout, std::vector<uint8_t>& data) {
    data.resize(layout.pixel_data_length());
    return skip_bytes(source, layout.pixel_offset - layout.headers_size()) &&
           source.read(data.data(), data.size()) == data.size();
}

// Rows go into the bitmap top to bottom, whichever way the file stores them.
void copy_rows(const BmpLayout& layout, const std::vector<uint8_t>& data, PictureBuffer& buffer) {
    const std::size_t row_bytes = layout.row_bytes();
    if (row_bytes == 0) {
        return;
    }
    const std::size_t stride = layout.stride();
    const std::size_t rows = static_cast<std::size_t>(layout.rows);
    uint8_t* pixels = buffer.data() + kPictureHeaderSize;
    for (std::size_t stored = 0; stored < rows; ++stored) {
        const std::size_t row = layout.top_down ? stored : rows - 1 - stored;
        std::memcpy(pixels + row * row_bytes, data.data() + stored * stride, row_bytes);
    }
}

}  // namespace

BmpHeaders read_bmp_headers(ByteSource& source) {
    BmpHeaders headers;
    headers.length = source.read(headers.bytes.data(), kHeadersSize);
    if (headers.length == kHeadersSize && announces_masks(headers)) {
        headers.length += source.read(headers.bytes.data() + kHeadersSize, kMasksSize);
    }
    return headers;
}

bool has_bmp_signature(const BmpHeaders& headers) {
    return headers.length >= 2 && headers.bytes[0] == 'B' && headers.bytes[1] == 'M';
}

int decode_bmp_image(const BmpHeaders& headers, ByteSource& source, const BmpPaths& paths,
                     PictureBuffer& buffer, ImageBitmap& bitmap, std::ostream& messages) {
    if (!headers_complete(headers)) {
        messages << "load_bmp_image: Error to read the headers of " << paths.picture << '\n';
        return -1;
    }
    const BmpLayout layout = parse_layout(headers);
    if (!accept_layout(layout, paths, bitmap, messages)) {
        return -1;
    }
    std::vector<uint8_t> data;
    try {
        if (!read_pixel_data(source, layout, data)) {
            messages << "load_bmp_image: Pixel data runs past the end of " << paths.picture << '\n';
            return -1;
        }
    } catch (const std::bad_alloc&) {
        messages << "load_bmp_image: failed malloc memory" << '\n';
        return -1;
    }
    copy_rows(layout, data, buffer);
    finish_bitmap(buffer, kFormatRgb565, layout.pixel_bytes(), bitmap);
    return 0;
}

}  // namespace framestow
