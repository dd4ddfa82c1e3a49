// The BMP loader given any bytes as a picture file. It must fail cleanly on everything that is
// not a 16-bit picture lying wholly within the file and the bitmap buffer (with the RGB565 masks
// when it has bit fields), and otherwise leave an ImageBitmap whose size and header agree with
// the picture and whose rows are the file's rows, top to bottom.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <sstream>
#include <string>

#include "codec/byte_order.h"
#include "codec/picture_format.h"
#include "fuzz_check.h"
#include "image_input/bmp_loader.h"

using fuzzcheck::require;

namespace {

// Where the file keeps its pixel rows, read from the headers independently of the loader.
struct StoredRows {
    uint64_t offset = 0;
    uint64_t row_bytes = 0;
    uint64_t stride = 0;
    bool top_down = false;
};

StoredRows stored_rows(std::span<const uint8_t> file) {
    StoredRows rows;
    rows.offset = framestow::load_le32(file.data() + 10);
    rows.row_bytes = uint64_t(framestow::load_le32s(file.data() + 18)) * 2;
    rows.stride = (rows.row_bytes + 3) / 4 * 4;
    rows.top_down = framestow::load_le32s(file.data() + 22) < 0;
    return rows;
}

void check_loaded_picture(std::span<const uint8_t> file, const framestow::PictureBuffer& buffer,
                          const framestow::ImageBitmap& bitmap) {
    require(bitmap.picture_kind == framestow::kPictureKindBmp, "a BMP picture is of kind 2");
    require(bitmap.width >= 0 && bitmap.width <= framestow::kMaxPictureSide && bitmap.height >= 0 &&
                bitmap.height <= framestow::kMaxPictureSide,
            "width and height fit the header's 16 bits");
    const uint64_t pixel_bytes = uint64_t(bitmap.width) * uint64_t(bitmap.height) * 2;
    require(pixel_bytes <= framestow::kMaxPixelBytes, "the pixels fit the bitmap buffer");
    require(bitmap.bytes.size() == pixel_bytes + framestow::kPictureHeaderSize,
            "size is width x height x 2 + 8");
    const framestow::PictureHeader header = framestow::load_picture_header(buffer.data());
    require(header.magic == framestow::kMagicBitmap, "bitmap magic 0x1234");
    require(header.pixel_format == framestow::kFormatRgb565, "pixel format 0xF565");
    require(header.width == uint16_t(bitmap.width) && header.height == uint16_t(bitmap.height),
            "header width and height agree with the picture");

    if (framestow::load_le32(file.data() + 30) == 3) {
        require(file.size() >= 66 && framestow::load_le32(file.data() + 54) == 0xF800 &&
                    framestow::load_le32(file.data() + 58) == 0x07E0 &&
                    framestow::load_le32(file.data() + 62) == 0x001F,
                "a picture with bit fields has the RGB565 masks");
    }
    const StoredRows rows = stored_rows(file);
    require(rows.row_bytes == uint64_t(bitmap.width) * 2, "the loader's width is the file's");
    const uint64_t height = uint64_t(bitmap.height);
    const uint8_t* pixels = buffer.data() + framestow::kPictureHeaderSize;
    for (uint64_t row = 0; row < height; ++row) {
        const uint64_t stored = rows.top_down ? row : height - 1 - row;
        const uint64_t from = rows.offset + stored * rows.stride;
        require(from + rows.row_bytes <= file.size(), "every row lies within the file");
        require(std::memcmp(pixels + row * rows.row_bytes, file.data() + from, rows.row_bytes) == 0,
                "each bitmap row is the file's row, top to bottom");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static framestow::PictureBuffer buffer;
    const std::span<const uint8_t> file(data, size);
    framestow::ImageBitmap bitmap;
    framestow::SpanSource source(file);
    const framestow::BmpHeaders headers = framestow::read_bmp_headers(source);
    if (!framestow::has_bmp_signature(headers)) {
        return 0;
    }
    const std::string picture_path = "image/A001_001.bmp";
    const std::string bitmap_path = "temp/image_bitmap/A001_001.bmp";
    std::ostringstream messages;
    const int result = framestow::decode_bmp_image(headers, source, {picture_path, bitmap_path},
                                                   buffer, bitmap, messages);
    require(result == 0 || result == -1, "the BMP loader answers 0 or -1");
    if (result == 0) {
        check_loaded_picture(file, buffer, bitmap);
    } else {
        require(bitmap.bytes.empty(), "the bitmap is set only on success");
    }
    return 0;
}
