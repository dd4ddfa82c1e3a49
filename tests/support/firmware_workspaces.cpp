#include "support/firmware_workspaces.h"

#include <filesystem>

#include "codec/picture_format.h"
#include "support/test_pictures.h"

namespace framestow::testing {

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// The block form for PNG pictures, the marker form for BMP pictures.
const char* const kVariedConfig =
    "[png]\nbit_type=0\nblock_len=1\nzip_type=1\n"
    "[bmp]\nbit_type=0\nblock_len=1\nzip_type=0\n"
    "[gui01.bin]\nname=gui01.bin\nversion=1.0.0.1\napp_list=A001,A003\n"
    "[gui02.bin]\nname=gui02.bin\nversion=1.0.0.2\napp_list=A002\n"
    "[gui03.bin]\nname=gui03.bin\nversion=1.0.0.3\napp_list=A005\n";

uint8_t next_noise(uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return static_cast<uint8_t>(state >> 16);
}

// Noise in the first half, one colour in the second, and every fifth pixel with 0x5F in the
// byte that comes first in the stored unit (blue with alpha, red without), so that the picture
// spans several blocks, has long runs and needs the 0x5F stand-in.
Bytes varied_rgba(uint16_t width, uint16_t height, bool with_alpha, uint32_t seed) {
    Bytes rgba(std::size_t{width} * height * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        rgba[i] = i < rgba.size() / 2 ? next_noise(seed) : static_cast<uint8_t>(0x30 + i % 4);
    }
    for (std::size_t pixel = 0; pixel < rgba.size() / 4; pixel += 5) {
        rgba[pixel * 4 + (with_alpha ? 2 : 0)] = 0x5F;
    }
    return rgba;
}

// At most eight colours, as a palette picture needs; one of them has red and blue 0x5F.
Bytes few_colours_rgba(uint16_t width, uint16_t height) {
    static const uint8_t kColours[8][4] = {{0x5F, 0x10, 0x5F, 0xFF}, {0x20, 0x30, 0x40, 0x80},
                                           {0xFF, 0x00, 0x00, 0x00}, {0x01, 0x02, 0x03, 0x04},
                                           {0x90, 0xA0, 0xB0, 0xC0}, {0x00, 0xFF, 0x00, 0xFF},
                                           {0x12, 0x34, 0x56, 0x78}, {0xEE, 0xDD, 0xCC, 0x11}};
    Bytes rgba;
    for (uint16_t y = 0; y < height; ++y) {
        for (uint16_t x = 0; x < width; ++x) {
            const uint8_t* colour = kColours[(x / 3 + y) % 8];
            rgba.insert(rgba.end(), colour, colour + 4);
        }
    }
    return rgba;
}

// The loader's pixel bytes: blue, green, red, alpha for pictures with alpha; red, green, blue,
// 0xFF without. The block form then stores a leading 0x5F of a unit as 0x5E.
Bytes block_form_pixels(const Bytes& rgba, bool with_alpha) {
    Bytes pixels;
    for (std::size_t i = 0; i + 4 <= rgba.size(); i += 4) {
        if (with_alpha) {
            pixels.insert(pixels.end(), {rgba[i + 2], rgba[i + 1], rgba[i], rgba[i + 3]});
        } else {
            pixels.insert(pixels.end(), {rgba[i], rgba[i + 1], rgba[i + 2], 0xFF});
        }
        if (pixels[pixels.size() - 4] == 0x5F) {
            pixels[pixels.size() - 4] = 0x5E;
        }
    }
    return pixels;
}

SourcePicture add_png(const PackerWorkspace& workspace, const std::string& name,
                      const std::string& package, uint16_t width, uint16_t height,
                      const Bytes& rgba, const PngOptions& options) {
    write_png(workspace.image(name), width, height, rgba, options);
    const bool with_alpha = options.colour == PngColour::kRgba ||
                            (options.colour == PngColour::kPalette && options.palette_transparency);
    return {name, package, width, height, kFormat32, block_form_pixels(rgba, with_alpha)};
}

SourcePicture add_bmp(const PackerWorkspace& workspace, const std::string& name,
                      const std::string& package, uint16_t width, uint16_t height,
                      const BmpOptions& options) {
    std::vector<uint16_t> values(std::size_t{width} * height);
    uint32_t seed = width * 31u + height;
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = i % 7 < 3 ? 0xF800 : static_cast<uint16_t>(next_noise(seed) << 8 | i);
    }
    write_bytes(workspace.image(name), make_bmp(width, height, values, options));
    Bytes pixels;
    for (const uint16_t value : values) {
        pixels.insert(pixels.end(),
                      {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
    }
    return {name, package, width, height, kFormatRgb565, pixels};
}

PngOptions png_options(PngColour colour, int bit_depth, bool interlaced, bool transparency) {
    PngOptions options;
    options.colour = colour;
    options.bit_depth = bit_depth;
    options.interlaced = interlaced;
    options.palette_transparency = transparency;
    return options;
}

const char* const kColourConfig =
    "[png]\npixel_format=565\n[A001]\ndither=1\n[A002]\nbackground=#204060\n"
    "[gui01.bin]\nname=gui01.bin\nversion=1.0.0.1\napp_list=A001,A002,A003\n";

// A diagonal gradient, opaque or with an alpha ramp.
Bytes gradient_rgba(uint16_t width, uint16_t height, bool ramp) {
    Bytes rgba;
    for (uint16_t y = 0; y < height; ++y) {
        for (uint16_t x = 0; x < width; ++x) {
            rgba.insert(rgba.end(),
                        {static_cast<uint8_t>(x * 255 / width),
                         static_cast<uint8_t>(y * 255 / height), static_cast<uint8_t>((x + y) * 7),
                         static_cast<uint8_t>(ramp ? x * 255 / width : 0xFF)});
        }
    }
    return rgba;
}

}  // namespace

FirmwareWorkspace fill_colour_workspace(const PackerWorkspace& workspace) {
    workspace.write_config(kColourConfig);
    const PngOptions rgb = png_options(PngColour::kRgb, 8, false, false);
    const PngOptions rgba = png_options(PngColour::kRgba, 8, false, false);
    write_png(workspace.image("A001_001.png"), 15, 7, gradient_rgba(15, 7, false), rgb);
    write_png(workspace.image("A001_002.png"), 40, 30, gradient_rgba(40, 30, false), rgba);
    write_png(workspace.image("A002_001.png"), 9, 5, gradient_rgba(9, 5, true), rgba);
    write_png(workspace.image("A003_001.png"), 11, 3, gradient_rgba(11, 3, false), rgb);
    write_png(workspace.image("A003_002.png"), 5, 5, gradient_rgba(5, 5, true), rgba);
    // The check files give the pixels to expect.
    return {{{1, {2, "gui01.bin"}}, {2, {1, "gui01.bin"}}, {3, {2, "gui01.bin"}}}, 3, 2, {}};
}

FirmwareWorkspace fill_demo_workspace(const PackerWorkspace& workspace) {
    const fs::path demo = FRAMESTOW_DEMO_DIR;
    fs::copy_file(demo / "config.ini", workspace.root() / "config.ini");
    for (const auto& entry : fs::directory_iterator(demo / "image")) {
        fs::copy_file(entry.path(), workspace.image(entry.path().filename().string()));
    }
    return {{{1, {3, "gui01.bin"}}, {2, {4, "gui01.bin"}}, {3, {1, "gui02.bin"}}}, 3, 4, {}};
}

FirmwareWorkspace fill_varied_workspace(const PackerWorkspace& workspace) {
    workspace.write_config(kVariedConfig);
    BmpOptions top_down_rgb;
    top_down_rgb.top_down = true;
    top_down_rgb.bit_fields = false;
    FirmwareWorkspace varied;
    varied.apps = {
        {1, {4, "gui01.bin"}}, {2, {3, "gui02.bin"}}, {3, {2, "gui01.bin"}}, {5, {1, "gui03.bin"}}};
    // A006 is in the apps table, with no picture slots.
    varied.highest_app = 6;
    varied.highest_picture = 4;
    varied.pictures = {
        add_png(workspace, "A001_001.png", "gui01.bin", 40, 30, varied_rgba(40, 30, true, 1),
                png_options(PngColour::kRgba, 8, false, false)),
        add_png(workspace, "A001_002.png", "gui01.bin", 17, 9, varied_rgba(17, 9, false, 2),
                png_options(PngColour::kRgb, 8, false, false)),
        add_png(workspace, "A001_004.png", "gui01.bin", 12, 5, few_colours_rgba(12, 5),
                png_options(PngColour::kPalette, 8, false, false)),
        add_bmp(workspace, "A002_001.bmp", "gui02.bin", 7, 5, {}),
        add_png(workspace, "A002_002.png", "gui02.bin", 9, 9, varied_rgba(9, 9, true, 3),
                png_options(PngColour::kRgba, 16, false, false)),
        add_bmp(workspace, "A002_003.bmp", "gui02.bin", 6, 3, top_down_rgb),
        add_png(workspace, "A003_002.png", "gui01.bin", 11, 7, few_colours_rgba(11, 7),
                png_options(PngColour::kPalette, 8, true, true)),
        add_png(workspace, "A005_001.png", "gui03.bin", 13, 10, varied_rgba(13, 10, false, 4),
                png_options(PngColour::kRgb, 16, true, false)),
        add_png(workspace, "A006_001.png", "", 2, 2, varied_rgba(2, 2, true, 5),
                png_options(PngColour::kRgba, 8, false, false)),
    };
    return varied;
}

}  // namespace framestow::testing
