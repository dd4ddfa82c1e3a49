#pragma once

#include <string>

#include "codec/picture_format.h"

namespace framestow {

// Reads the 16-bit RGB565 BMP file at `picture_path` into an ImageBitmap in buffers.bitmap and
// writes that ImageBitmap to `bitmap_path`. Returns 0 or -1.
int load_bmp_image(const std::string& picture_path, const std::string& bitmap_path,
                   PictureBuffers& buffers, ImageBitmap& bitmap);

}  // namespace framestow
