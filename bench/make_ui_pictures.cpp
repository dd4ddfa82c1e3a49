// Draws a folder of 466 x 466 watch UI pictures for the end-to-end timing: flat screens with
// buttons, dithered gradients with widgets, icons with soft alpha edges and a few noisy wallpapers.
//
//   make_ui_pictures COUNT FOLDER
//
// Picture i (from 0) is named A<app>_<number>.png with app = i % 8 + 1 and number = i / 8 + 1, so
// the pictures spread over applications A001 to A008. Its content depends on i alone: the first
// 100 pictures of a set of 1600 are the same bytes as a set of 100.

#include <png.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace {

constexpr int kSide = 466;
constexpr int kApplications = 8;
constexpr int kMaxPicturesPerApplication = 999;
constexpr int kMaxCount = kApplications * kMaxPicturesPerApplication;

// splitmix64: a fixed sequence for every seed on every platform, unlike the standard
// distributions, whose results differ between library implementations.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int limit) { return static_cast<int>(next() % static_cast<uint64_t>(limit)); }
    int between(int low, int high) { return low + below(high - low + 1); }

  private:
    uint64_t state_;
};

struct Rgba {
    int r = 0;
    int g = 0;
    int b = 0;
    int a = 255;
};

uint8_t clamp_byte(double value) {
    return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

Rgba random_colour(Random& random) {
    return {random.below(256), random.below(256), random.below(256), 255};
}

// The pixels of one picture, 4 bytes (red, green, blue, alpha) a pixel; an opaque picture is
// written as RGB.
struct Canvas {
    bool has_alpha = false;
    std::vector<uint8_t> pixels = std::vector<uint8_t>(std::size_t{kSide} * kSide * 4);

    void blend(int x, int y, Rgba colour, double coverage) {
        if (x < 0 || y < 0 || x >= kSide || y >= kSide || coverage <= 0.0) {
            return;
        }
        uint8_t* pixel = &pixels[(std::size_t(y) * kSide + std::size_t(x)) * 4];
        const double alpha = std::min(1.0, coverage) * colour.a / 255.0;
        const int channels[3] = {colour.r, colour.g, colour.b};
        for (int c = 0; c < 3; ++c) {
            pixel[c] = clamp_byte(pixel[c] * (1.0 - alpha) + channels[c] * alpha);
        }
        pixel[3] = clamp_byte(pixel[3] + (255 - pixel[3]) * alpha);
    }

    void fill(Rgba colour) {
        for (std::size_t i = 0; i < pixels.size(); i += 4) {
            pixels[i] = uint8_t(colour.r);
            pixels[i + 1] = uint8_t(colour.g);
            pixels[i + 2] = uint8_t(colour.b);
            pixels[i + 3] = uint8_t(colour.a);
        }
    }
};

// Anti-aliased coverage of a pixel at `distance` from the edge of a shape, negative inside.
double edge_coverage(double distance, double softness) {
    return std::clamp(0.5 - distance / softness, 0.0, 1.0);
}

// Signed distance from (x, y) to a rounded rectangle.
double rounded_rect_distance(double x, double y, double left, double top, double width,
                             double height, double radius) {
    const double cx = left + width / 2;
    const double cy = top + height / 2;
    const double qx = std::abs(x - cx) - (width / 2 - radius);
    const double qy = std::abs(y - cy) - (height / 2 - radius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

void draw_rounded_rect(Canvas& canvas, double left, double top, double width, double height,
                       double radius, Rgba colour, double softness = 1.0) {
    const int x0 = int(left - softness - 1);
    const int y0 = int(top - softness - 1);
    for (int y = y0; y <= int(top + height + softness + 1); ++y) {
        for (int x = x0; x <= int(left + width + softness + 1); ++x) {
            const double d =
                rounded_rect_distance(x + 0.5, y + 0.5, left, top, width, height, radius);
            canvas.blend(x, y, colour, edge_coverage(d, softness));
        }
    }
}

void draw_disc(Canvas& canvas, double cx, double cy, double radius, Rgba colour,
               double softness = 1.0) {
    draw_rounded_rect(canvas, cx - radius, cy - radius, 2 * radius, 2 * radius, radius, colour,
                      softness);
}

// Short bars standing in for the text of a label.
void draw_label(Canvas& canvas, Random& random, int left, int top, int width, Rgba colour) {
    int x = left;
    while (x < left + width) {
        const int glyph = random.between(4, 10);
        draw_rounded_rect(canvas, x, top, glyph, 12, 1.5, colour);
        x += glyph + random.between(2, 9);
    }
}

// A settings or menu screen: a header bar, rows of buttons with labels and a toggle.
void draw_flat_screen(Canvas& canvas, Random& random) {
    const Rgba background = {random.below(48), random.below(48), random.below(64), 255};
    canvas.fill(background);
    draw_rounded_rect(canvas, 0, 0, kSide, 70, 0,
                      {background.r + 30, background.g + 30, background.b + 40, 255});
    draw_label(canvas, random, 160, 30, 140, {230, 230, 230, 255});
    const Rgba button = {random.between(40, 90), random.between(40, 90), random.between(60, 120),
                         255};
    const Rgba accent = random_colour(random);
    const int rows = random.between(3, 5);
    for (int row = 0; row < rows; ++row) {
        const double top = 95 + row * (330.0 / rows);
        draw_rounded_rect(canvas, 40, top, kSide - 80, 330.0 / rows - 14, 18, button);
        draw_label(canvas, random, 70, int(top + 20), random.between(80, 200),
                   {220, 220, 220, 255});
        const bool on = random.below(2) == 0;
        draw_rounded_rect(canvas, kSide - 130, top + 14, 60, 30, 15, on ? accent : background);
        draw_disc(canvas, kSide - (on ? 85 : 115), top + 29, 12, {250, 250, 250, 255});
    }
}

// A background gradient with the slight dither noise that keeps it free of bands, under a clock
// ring and two round buttons.
void draw_gradient_screen(Canvas& canvas, Random& random) {
    const Rgba from = random_colour(random);
    const Rgba to = random_colour(random);
    const bool radial = random.below(2) == 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const double t =
                radial ? std::min(1.0, std::hypot(x - kSide / 2.0, y - kSide / 2.0) / (kSide / 1.5))
                       : double(y) / (kSide - 1);
            const double dither = random.below(3) - 1;
            uint8_t* pixel = &canvas.pixels[(std::size_t(y) * kSide + std::size_t(x)) * 4];
            pixel[0] = clamp_byte(from.r + (to.r - from.r) * t + dither);
            pixel[1] = clamp_byte(from.g + (to.g - from.g) * t + dither);
            pixel[2] = clamp_byte(from.b + (to.b - from.b) * t + dither);
            pixel[3] = 255;
        }
    }
    const double c = kSide / 2.0;
    draw_disc(canvas, c, c, 180, {255, 255, 255, 200}, 1.5);
    draw_disc(canvas, c, c, 170, {from.r, from.g, from.b, 255}, 1.5);
    draw_label(canvas, random, 150, 210, 170, {255, 255, 255, 255});
    draw_disc(canvas, 150, 330, 34, random_colour(random));
    draw_disc(canvas, 316, 330, 34, random_colour(random));
}

// An application icon on a transparent background: a soft drop shadow, a round or rounded-square
// body with an anti-aliased edge, and an inner glyph.
void draw_icon(Canvas& canvas, Random& random) {
    canvas.has_alpha = true;
    canvas.fill({0, 0, 0, 0});
    const double size = random.between(200, 400);
    const double left = (kSide - size) / 2;
    const double radius = random.below(2) == 0 ? size / 2 : size / 5;
    draw_rounded_rect(canvas, left + 8, left + 12, size, size, radius, {0, 0, 0, 110}, 16);
    draw_rounded_rect(canvas, left, left, size, size, radius, random_colour(random), 1.5);
    const double c = kSide / 2.0;
    draw_disc(canvas, c, c, size / 4, {255, 255, 255, 230}, 2);
    draw_disc(canvas, c, c, size / 8, random_colour(random), 2);
}

// A photo-like wallpaper: smooth colour waves under strong noise, the hardest case for both PNG
// and the run-length codec.
void draw_noisy_wallpaper(Canvas& canvas, Random& random) {
    const double fx = random.between(1, 6) / 100.0;
    const double fy = random.between(1, 6) / 100.0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            uint8_t* pixel = &canvas.pixels[(std::size_t(y) * kSide + std::size_t(x)) * 4];
            const double wave = std::sin(x * fx) + std::cos(y * fy);
            pixel[0] = clamp_byte(120 + 50 * wave + random.below(41) - 20);
            pixel[1] = clamp_byte(90 + 40 * wave + random.below(41) - 20);
            pixel[2] = clamp_byte(140 - 45 * wave + random.below(41) - 20);
            pixel[3] = 255;
        }
    }
}

// Most UI pictures are flat screens and icons; gradients are fewer and noisy pictures rare.
void draw_picture(Canvas& canvas, int index) {
    Random random(uint64_t(index) * 7919 + 17);
    switch (index % 10) {
        case 0:
        case 1:
        case 2:
        case 3:
            draw_flat_screen(canvas, random);
            break;
        case 4:
        case 5:
            draw_gradient_screen(canvas, random);
            break;
        case 9:
            draw_noisy_wallpaper(canvas, random);
            break;
        default:
            draw_icon(canvas, random);
            break;
    }
}

void append_to_vector(png_structp png, png_bytep data, std::size_t length) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    bytes->insert(bytes->end(), data, data + length);
}

// libpng jumps back here on an error; nothing with a destructor lives in this frame.
bool write_png_rows(png_structp png, png_infop info, int colour_type, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_IHDR(png, info, kSide, kSide, 8, colour_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// Encodes the canvas as an 8-bit RGB or RGBA PNG file in memory.
bool encode_png(Canvas& canvas, std::vector<uint8_t>& file_bytes) {
    if (!canvas.has_alpha) {
        // Drop the alpha bytes in place: pixel p moves from 4p to 3p, never ahead of its source.
        for (std::size_t p = 0; p < std::size_t{kSide} * kSide; ++p) {
            std::copy_n(&canvas.pixels[4 * p], 3, &canvas.pixels[3 * p]);
        }
    }
    const std::size_t stride = std::size_t{kSide} * (canvas.has_alpha ? 4 : 3);
    std::vector<png_bytep> rows(kSide);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = canvas.pixels.data() + y * stride;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (info != nullptr) {
        png_set_write_fn(png, &file_bytes, append_to_vector, nullptr);
        written = write_png_rows(png, info,
                                 canvas.has_alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                                 rows.data());
    }
    png_destroy_write_struct(&png, &info);
    return written;
}

std::string picture_name(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "A%03d_%03d.png", index % kApplications + 1,
                  index / kApplications + 1);
    return name;
}

bool write_picture(const std::string& folder, int index) {
    Canvas canvas;
    draw_picture(canvas, index);
    std::vector<uint8_t> file_bytes;
    if (!encode_png(canvas, file_bytes)) {
        std::cout << "make_ui_pictures: cannot encode picture " << index << std::endl;
        return false;
    }
    const std::string path = folder + "/" + picture_name(index);
    framestow::platform::File file = framestow::platform::File::open_for_writing(path);
    if (!file.is_open() || !file.write(file_bytes.data(), file_bytes.size()) || !file.close()) {
        std::cout << "make_ui_pictures: cannot write " << path << std::endl;
        return false;
    }
    return true;
}

bool parse_count(std::string_view text, int& count) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc() && end == text.data() + text.size() && count >= 1 &&
           count <= kMaxCount;
}

}  // namespace

int main(int argc, char** argv) {
    int count = 0;
    if (argc != 3 || !parse_count(argv[1], count)) {
        std::cout << "usage: make_ui_pictures COUNT FOLDER   (COUNT from 1 to " << kMaxCount << ")"
                  << std::endl;
        return 2;
    }
    const std::string folder = argv[2];
    if (!framestow::platform::folder_exists(folder)) {
        std::cout << "make_ui_pictures: no folder " << folder << std::endl;
        return 1;
    }
    for (int index = 0; index < count; ++index) {
        if (!write_picture(folder, index)) {
            return 1;
        }
    }
    std::cout << "make_ui_pictures: " << count << " pictures in " << folder << std::endl;
    return 0;
}
