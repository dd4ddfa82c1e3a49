#pragma once

#include <ostream>

#include "codec/picture_format.h"
#include "image_input/byte_source.h"

namespace framestow {

// The PNG loader's answer for a file that does not begin with the PNG signature: the
// preparation stage then tries the BMP loader on it.
constexpr int kNotPngFile = -3;

// Decodes the PNG file read from `source` into an ImageBitmap of 32-bit pixels at the start of
// `buffer`. Returns 0 with `bitmap` set, -1 (also for fewer than 4 bytes), or kNotPngFile. The
// loader's own lines go to `messages`; libpng's warnings and errors ("libpng error: ...", as its
// own handlers word them for standard error) go to `errors`. Width, height and kind are set once
// the header has been read, even when the load then fails.
[[nodiscard]] int decode_png_image(ByteSource& source, PictureBuffer& buffer, ImageBitmap& bitmap,
                                   std::ostream& messages, std::ostream& errors);

}  // namespace framestow
