#pragma once

#include <optional>
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

// What a PNG file's colour type makes of its pixels: 4 bytes blue, green, red, alpha (with alpha,
// or a transparency chunk); 4 bytes red, green, blue, 0xFF (without alpha); or nothing, since
// greyscale pictures are refused.
enum class PngColours { kWithAlpha, kWithoutAlpha, kGrey };

// The colours of the PNG file read from `source`, from the chunks before the pixels only. Empty
// for a file that is not a PNG file or whose header does not read.
std::optional<PngColours> read_png_colours(ByteSource& source);

}  // namespace framestow
