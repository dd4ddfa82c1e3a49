#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "codec/picture_format.h"
#include "colour/colour_choice.h"

// 32-bit PNG pixels turned into RGB565, the BMP layout: one little-endian value
// r5 << 11 | g6 << 5 | b5 a pixel, rows top to bottom. Each channel rounds to the nearest level,
// r5 = (r x 31 + 127) / 255, g6 = (g x 63 + 127) / 255, b5 = (b x 31 + 127) / 255, or with
// dithering is Floyd-Steinberg error diffusion in integers (see convert_to_rgb565). A level is
// widened back to 8 bits by repeating its top bits, as displays and framestow-inspect do.
namespace framestow {

struct Rgba {
    Rgb colour;
    uint8_t alpha = 0;
};

// The 4 bytes of a 32-bit pixel as the PNG loader lays them out: blue, green, red, alpha for a
// picture with alpha (`blue_first`), red, green, blue, 0xFF otherwise.
Rgba read_pixel32(const uint8_t* pixel, bool blue_first);

uint16_t rgb565_value(Rgb colour);
Rgb widen_rgb565(uint16_t value);

// c' = (c x a + bg x (255 - a) + 127) / 255 for each channel.
Rgb composite(Rgba pixel, Rgb background);

// Whether every alpha byte of the 32-bit `pixels` is 255.
bool is_opaque(std::span<const uint8_t> pixels, bool blue_first);

// Converts `width` x `height` 32-bit pixels into 2-byte RGB565 values at `out`, composited first
// onto the choice's background when it has one (alpha is otherwise ignored), dithered when the
// choice says so. `out` may be `pixels` itself: pixel i is read before its value is written, and
// written at 2 i, never past 4 i.
void convert_to_rgb565(const uint8_t* pixels, uint8_t* out, uint32_t width, uint32_t height,
                       bool blue_first, const ColourChoice& choice);

enum class ColourOutcome {
    kUnchanged,        // pixel_format 8888, or not a picture of 32-bit pixels
    kConverted,        // now a picture of RGB565 pixels
    kTransparentKept,  // pixel_format 565, but transparent pixels and no background
};

// Applies `choice` to the 32-bit picture `bitmap` in `buffer`: a converted picture becomes an
// ImageBitmap of pixel format 0xF565 and picture kind 2 (a BMP picture's), and the 2 bytes past
// its last pixel, which the compressor reads for an odd pixel count, are zero.
ColourOutcome apply_colour_choice(const ColourChoice& choice, PictureBuffer& buffer,
                                  ImageBitmap& bitmap);

// The colours of `pixels` of pixel format 0x8888 (laid out as `blue_first` says, composited onto
// `background` when given) or 0xF565 (widened).
std::vector<Rgb> colours_of(std::span<const uint8_t> pixels, uint16_t pixel_format, bool blue_first,
                            const std::optional<Rgb>& background);

// Peak signal-to-noise ratio in dB of `device` against `source` over the three channels:
// 10 log10(255^2 / mean squared error); infinity when they are equal, empty when the counts
// differ or there are none.
std::optional<double> psnr(std::span<const Rgb> source, std::span<const Rgb> device);

}  // namespace framestow
