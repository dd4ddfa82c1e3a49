#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "codec/codec.h"
#include "packer_run_expectations.h"

// The device's view of a real run: real pictures of every supported kind go through the packer;
// the generated BitmapMapping.cpp is compiled with a firmware stand-in that asks GetPngOffset
// for every application and picture number; each answer is followed into its package file, and
// the compressed image found there is decoded and compared with the source picture's pixels.
namespace framestow::e2e {
namespace {

namespace fs = std::filesystem;
using testing::PackerWorkspace;
using testing::PngColour;
using testing::PngOptions;
using testing::ProcessResult;

// The block form for PNG pictures, the marker form for BMP pictures.
const char* const kConfig =
    "[png]\nbit_type=0\nblock_len=1\nzip_type=1\n"
    "[bmp]\nbit_type=0\nblock_len=1\nzip_type=0\n"
    "[gui01.bin]\nname=gui01.bin\nversion=1.0.0.1\napp_list=A001,A003\n"
    "[gui02.bin]\nname=gui02.bin\nversion=1.0.0.2\napp_list=A002\n"
    "[gui03.bin]\nname=gui03.bin\nversion=1.0.0.3\napp_list=A005\n";

const CodecSettings kSettings{CompressionSettings{0, 1, 1}, CompressionSettings{0, 1, 0}};

struct SourcePicture {
    std::string name;
    std::string package;
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t pixel_format = 0;
    Bytes pixels;  // what the decoder must give back
};

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
    testing::write_png(workspace.image(name), width, height, rgba, options);
    const bool with_alpha = options.colour == PngColour::kRgba ||
                            (options.colour == PngColour::kPalette && options.palette_transparency);
    return {name, package, width, height, kFormat32, block_form_pixels(rgba, with_alpha)};
}

SourcePicture add_bmp(const PackerWorkspace& workspace, const std::string& name,
                      const std::string& package, uint16_t width, uint16_t height,
                      const testing::BmpOptions& options) {
    std::vector<uint16_t> values(std::size_t{width} * height);
    uint32_t seed = width * 31u + height;
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = i % 7 < 3 ? 0xF800 : static_cast<uint16_t>(next_noise(seed) << 8 | i);
    }
    testing::write_bytes(workspace.image(name), testing::make_bmp(width, height, values, options));
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

// Package 1 holds A001 (picture 3 missing) and A003 (only picture 2), package 2 holds A002,
// package 3 holds A005; A004 has no pictures and A006 no package.
std::vector<SourcePicture> add_pictures(const PackerWorkspace& workspace) {
    testing::BmpOptions top_down_rgb;
    top_down_rgb.top_down = true;
    top_down_rgb.bit_fields = false;
    return {
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
}

std::string run_command(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, got);
    }
    status = ::pclose(pipe);
    return output;
}

struct Answer {
    std::string kind;  // "found" or "none"
    std::string bin_name;
    uint64_t offset = 0;
    uint64_t size = 0;
};

// The lines of the look-up driver: "<app> <png> found <binName> <offset> <size>" or
// "<app> <png> none <binName>".
std::map<std::pair<int, int>, Answer> parse_answers(const std::string& output) {
    std::map<std::pair<int, int>, Answer> answers;
    std::istringstream lines(output);
    int app = 0;
    int png = 0;
    Answer answer;
    while (lines >> app >> png >> answer.kind >> answer.bin_name) {
        if (answer.kind == "found") {
            lines >> answer.offset >> answer.size;
        }
        answers[{app, png}] = answer;
    }
    return answers;
}

const SourcePicture* find_source(const std::vector<SourcePicture>& pictures, int app, int png) {
    char stem[16];
    std::snprintf(stem, sizeof stem, "A%03d_%03d", app, png);
    for (const SourcePicture& picture : pictures) {
        if (picture.name.starts_with(stem)) {
            return &picture;
        }
    }
    return nullptr;
}

// The picture slots of each application that a package holds: its highest picture number.
const std::map<int, int> kPictureSlots = {{1, 4}, {2, 3}, {3, 2}, {5, 1}};
constexpr int kLastApp = 7;
constexpr int kLastPicture = 5;

// Decodes the compressed image at the answer's place in its package and compares it with the
// source picture.
void expect_decodes_to(const fs::path& package_path, const Answer& answer,
                       const SourcePicture& source) {
    const Bytes package = testing::read_bytes(package_path);
    ASSERT_LE(answer.offset + answer.size, package.size());
    const std::span<const uint8_t> compressed(package.data() + answer.offset, answer.size);
    Bytes decoded(source.pixels.size() + 4);
    DecodedPicture picture;
    ASSERT_EQ(decode_picture(compressed, kSettings, decoded, picture), 0);
    EXPECT_EQ(picture.header.width, source.width);
    EXPECT_EQ(picture.header.height, source.height);
    EXPECT_EQ(picture.header.pixel_format, source.pixel_format);
    ASSERT_EQ(picture.pixel_bytes, source.pixels.size());
    // An RGB565 picture of an odd pixel count ends in a unit padded with two zero bytes.
    Bytes expected = source.pixels;
    if (source.pixel_format == kFormatRgb565) {
        expected.resize((expected.size() + 3) / 4 * 4);
    }
    decoded.resize(picture.decoded_bytes);
    EXPECT_EQ(decoded, expected);
}

// Compiles the workspace's BitmapMapping.cpp with the look-up driver and asks it about every
// application up to `last_app` and picture up to `last_picture`.
std::map<std::pair<int, int>, Answer> ask_firmware(const PackerWorkspace& workspace, int last_app,
                                                   int last_picture) {
    const fs::path firmware = FRAMESTOW_FIRMWARE_DIR;
    const fs::path lookup = workspace.root() / "lookup";
    int status = 0;
    const std::string diagnostics = run_command(
        std::string("'") + FRAMESTOW_CXX_COMPILER +
            "' -std=c++17 -Wall -Wextra -Wpedantic -Werror -I'" + FRAMESTOW_FIRMWARE_INCLUDE_DIR +
            "' '" + workspace.output("BitmapMapping.cpp").string() + "' '" +
            (firmware / "lookup_driver.cpp").string() + "' -o '" + lookup.string() + "' 2>&1",
        status);
    EXPECT_EQ(status, 0) << diagnostics;
    auto answers =
        parse_answers(run_command("'" + lookup.string() + "' " + std::to_string(last_app) + " " +
                                      std::to_string(last_picture),
                                  status));
    EXPECT_EQ(status, 0);
    return answers;
}

TEST(FirmwareEndToEnd, TheDemoWorkspaceIsFoundWhereItsMappingSays) {
    PackerWorkspace workspace(built_packer());
    const fs::path demo = FRAMESTOW_DEMO_DIR;
    fs::copy_file(demo / "config.ini", workspace.root() / "config.ini");
    for (const auto& entry : fs::directory_iterator(demo / "image")) {
        fs::copy_file(entry.path(), workspace.image(entry.path().filename().string()));
    }
    const ProcessResult run = workspace.run();
    ASSERT_EQ(run.exit_status, 0) << run.out;

    // Every picture of the demo is found in its package exactly as the check decoded it.
    int found = 0;
    for (const auto& [numbers, answer] : ask_firmware(workspace, 4, 5)) {
        const auto [app, png] = numbers;
        SCOPED_TRACE("application " + std::to_string(app) + ", picture " + std::to_string(png));
        char stem[16];
        std::snprintf(stem, sizeof stem, "A%03d_%03d", app, png);
        fs::path check;
        for (const char* extension : {".png", ".bmp"}) {
            if (fs::exists(workspace.image(std::string(stem) + extension))) {
                check = workspace.staged("image_unzip", std::string(stem) + extension);
            }
        }
        if (check.empty()) {
            EXPECT_TRUE(answer.kind == "none" || answer.size == 0u);
            continue;
        }
        ASSERT_EQ(answer.kind, "found");
        const Bytes package = testing::read_bytes(workspace.output(answer.bin_name));
        ASSERT_LE(answer.offset + answer.size, package.size());
        const std::span<const uint8_t> compressed(package.data() + answer.offset, answer.size);
        const Bytes checked = testing::read_bytes(check);
        Bytes decoded(checked.size() + 4);
        DecodedPicture picture;
        ASSERT_EQ(decode_picture(compressed, kSettings, decoded, picture), 0);
        decoded.resize(picture.pixel_bytes);
        EXPECT_EQ(decoded, Bytes(checked.begin() + 8, checked.end()));
        ++found;
    }
    EXPECT_EQ(found, 7);
}

TEST(FirmwareEndToEnd, EveryPictureDecodesFromWhereGetPngOffsetPoints) {
    PackerWorkspace workspace(built_packer());
    workspace.write_config(kConfig);
    const std::vector<SourcePicture> pictures = add_pictures(workspace);
    const ProcessResult run = workspace.run();
    ASSERT_EQ(run.exit_status, 0) << run.out;

    const auto answers = ask_firmware(workspace, kLastApp, kLastPicture);
    ASSERT_EQ(answers.size(), static_cast<std::size_t>((kLastApp + 1) * (kLastPicture + 1)));

    for (const auto& [numbers, answer] : answers) {
        const auto [app, png] = numbers;
        SCOPED_TRACE("application " + std::to_string(app) + ", picture " + std::to_string(png));
        const auto slots = kPictureSlots.find(app);
        if (slots == kPictureSlots.end() || png < 1 || png > slots->second) {
            EXPECT_EQ(answer.kind, "none");
            EXPECT_EQ(answer.bin_name, "-");
            continue;
        }
        ASSERT_EQ(answer.kind, "found");
        const SourcePicture* source = find_source(pictures, app, png);
        if (source == nullptr) {
            // A missing number reads as an empty picture where the next one begins.
            EXPECT_EQ(answer.size, 0u);
            EXPECT_EQ(answer.offset, answers.at({app, png + 1}).offset);
            EXPECT_EQ(answer.bin_name, answers.at({app, png + 1}).bin_name);
            continue;
        }
        EXPECT_EQ(answer.bin_name, source->package);
        expect_decodes_to(workspace.output(answer.bin_name), answer, *source);
    }
}

}  // namespace
}  // namespace framestow::e2e
