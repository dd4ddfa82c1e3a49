#pragma once

// Pictures like those the packer sees, made in code so that every run times the same bytes:
// a flat settings screen, an icon with soft alpha edges and a noisy photo, as 32-bit pixels.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace framestow::bench {

enum PictureKind { kFlatScreen, kAlphaIcon, kNoisyPhoto };
inline const char* const kPictureNames[] = {"flat UI screen", "alpha icon", "noisy photo"};

inline uint32_t bgra(uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    return b | (g << 8) | (r << 16) | (a << 24);
}

// A settings screen: a header bar, rows of buttons with a one-pixel border, a few glyph-like
// marks on each button.
inline uint32_t flat_screen_pixel(int x, int y, int width, int height) {
    if (y < height / 10) {
        return bgra(0x40, 0x30, 0x20, 0xFF);
    }
    const int row = y * 8 / height;
    const int row_top = row * height / 8;
    const int row_y = y - row_top;
    const bool on_button =
        x > width / 12 && x < width * 11 / 12 && row_y > 6 && row_y < height / 10;
    if (!on_button) {
        return bgra(0xF0, 0xF0, 0xF0, 0xFF);
    }
    if (row_y == 7 || row_y == height / 10 - 1 || x == width / 12 + 1 || x == width * 11 / 12 - 1) {
        return bgra(0xA0, 0xA0, 0xA0, 0xFF);
    }
    const bool glyph = x > width / 8 && x < width / 2 && ((x / 3 + row_y / 2) % 7 == 0);
    return glyph ? bgra(0x10, 0x10, 0x10, 0xFF) : bgra(0xFF, 0xFF, 0xFF, 0xFF);
}

// A round icon on a transparent background: a solid disc whose edge fades over two pixels, with
// a ring of another colour inside.
inline uint32_t alpha_icon_pixel(int x, int y, int width, int height) {
    const double dx = x - width / 2.0;
    const double dy = y - height / 2.0;
    const double distance = std::sqrt(dx * dx + dy * dy);
    const double radius = std::min(width, height) * 0.45;
    const double coverage = std::clamp((radius - distance) / 2.0, 0.0, 1.0);
    if (coverage == 0.0) {
        return 0;
    }
    const auto alpha = static_cast<uint32_t>(coverage * 255.0);
    const bool ring = std::abs(distance - radius * 0.6) < radius * 0.08;
    return ring ? bgra(0xFF, 0xFF, 0xFF, alpha) : bgra(0xE0, 0x80, 0x20, alpha);
}

// Smooth light over the picture with sensor noise on every channel: almost no two neighbours
// alike.
inline uint32_t noisy_photo_pixel(int x, int y, int width, int height, uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    const uint32_t base = static_cast<uint32_t>(x * 160 / width + y * 80 / height);
    auto channel = [&](int shift) { return (base + ((seed >> shift) & 0x1F)) & 0xFF; };
    return bgra(channel(3), channel(11), channel(19), 0xFF);
}

// The pixel bytes of a picture of `kind`, 4 bytes a pixel, least significant byte first.
inline std::vector<uint8_t> picture_pixels(int kind, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    uint32_t seed = 12345;
    uint8_t* pixel = pixels.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, pixel += 4) {
            const uint32_t value = kind == kFlatScreen ? flat_screen_pixel(x, y, width, height)
                                   : kind == kAlphaIcon
                                       ? alpha_icon_pixel(x, y, width, height)
                                       : noisy_photo_pixel(x, y, width, height, seed);
            for (int k = 0; k < 4; ++k) {
                pixel[k] = static_cast<uint8_t>(value >> (8 * k));
            }
        }
    }
    return pixels;
}

}  // namespace framestow::bench
