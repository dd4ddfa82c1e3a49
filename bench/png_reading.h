#pragma once

// Reading a PNG file with libpng, for the reference programs of the end-to-end timing: each sets
// its own transforms and places the rows where it needs them.

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace framestow::bench {

inline void read_from_file(png_structp png, png_bytep data, std::size_t length) {
    auto* file = static_cast<platform::File*>(png_get_io_ptr(png));
    if (file->read(data, length) != length) {
        png_error(png, "Read Error");
    }
}

// Sets libpng's transforms once the header is read.
using SetTransforms = void (*)(png_structp png, png_infop info);

// libpng jumps back into these frames on a damaged file; nothing with a destructor lives in them.
inline bool read_header(png_structp png, png_infop info, SetTransforms set_transforms) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_read_info(png, info);
    set_transforms(png, info);
    png_read_update_info(png, info);
    return true;
}

inline bool read_rows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

// Decodes one open PNG file with the transforms of `set_transforms`. place(row_bytes, width,
// height) gives the address of the first row, the others following back to back, or nullptr to
// refuse the picture; `rows` holds the row addresses.
template <typename Place>
bool decode_png(platform::File& file, SetTransforms set_transforms, Place place,
                std::vector<png_bytep>& rows) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool decoded = false;
    if (info != nullptr) {
        png_set_read_fn(png, &file, read_from_file);
        if (read_header(png, info, set_transforms)) {
            const uint64_t row_bytes = png_get_rowbytes(png, info);
            const uint64_t height = png_get_image_height(png, info);
            uint8_t* first = place(row_bytes, uint64_t{png_get_image_width(png, info)}, height);
            if (first != nullptr) {
                rows.resize(height);
                for (uint64_t y = 0; y < height; ++y) {
                    rows[y] = first + y * row_bytes;
                }
                decoded = read_rows(png, info, rows.data());
            }
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return decoded;
}

}  // namespace framestow::bench
