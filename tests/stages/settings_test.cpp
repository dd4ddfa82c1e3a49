#include "stages/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/workspace_harness.h"

namespace framestow {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::write_text;

struct SettingsCase {
    const char* name;
    std::optional<std::string> config;  // no config.ini at all when empty
    std::optional<CompressionSettings> png;
    std::optional<CompressionSettings> bmp;
};

bool same(const std::optional<CompressionSettings>& a,
          const std::optional<CompressionSettings>& b) {
    if (a.has_value() != b.has_value()) {
        return false;
    }
    return !a || (a->bit_type == b->bit_type && a->block_len == b->block_len &&
                  a->zip_type == b->zip_type);
}

TEST(CompressionSettingsTest, SectionsAreReadAllOrNothing) {
    const SettingsCase cases[] = {
        {"no file", std::nullopt, std::nullopt, std::nullopt},
        {"both complete",
         "[png]\nbit_type=0\nblock_len=1\nzip_type=1\n\n[bmp]\nbit_type=0\nblock_len=1\nzip_type="
         "0\n",
         CompressionSettings{0, 1, 1}, CompressionSettings{0, 1, 0}},
        {"block_len missing", "[png]\nbit_type=0\nzip_type=1\n", std::nullopt, std::nullopt},
        {"empty value", "[png]\nbit_type=0\nblock_len=\nzip_type=1\n", std::nullopt, std::nullopt},
        {"letters count as zero", "[PNG]\nBIT_TYPE=abc\nblock_len= -5 \nzip_type=1x\n",
         CompressionSettings{0, -5, 1}, std::nullopt},
        {"values beyond 32 bits are clamped",
         "[bmp]\nbit_type=99999999999\nblock_len=-99999999999\nzip_type=+7\n", std::nullopt,
         CompressionSettings{2147483647, -2147483647 - 1, 7}},
        {"rubbish", "\x01\x02garbage\n=\n[\n", std::nullopt, std::nullopt},
    };
    for (const SettingsCase& c : cases) {
        TempFolder folder;
        const fs::path config = folder.path() / "config.ini";
        if (c.config) {
            write_text(config, *c.config);
        }
        const CodecSettings settings = read_codec_settings(config.string());
        EXPECT_TRUE(same(settings.png, c.png)) << c.name;
        EXPECT_TRUE(same(settings.bmp, c.bmp)) << c.name;
    }
}

TEST(ColourSettingsTest, MostSpecificSectionWinsForEachKey) {
    const char* const layered =
        "[png]\npixel_format=565\ndither=1\nbackground=#FFFFFF\n"
        "[a001]\nDITHER=0\n"
        "[A001_002.PNG]\npixel_format=8888\nbackground=#102030\n";
    const struct {
        const char* config;
        const char* picture;
        ColourChoice choice;
        const char* error;
    } cases[] = {
        {"", "A001_001.png", {}, ""},
        {layered, "A002_001.png", {true, true, Rgb{255, 255, 255}}, ""},
        {layered, "A001_001.png", {true, false, Rgb{255, 255, 255}}, ""},
        {layered, "A001_002.png", {false, false, Rgb{0x10, 0x20, 0x30}}, ""},
        {"[png]\npixel_format= 565abc\ndither=+1\n", "A001_001.png", {true, true, {}}, ""},
        {"[png]\npixel_format=16\n",
         "A001_001.png",
         {},
         "LoadPngImage ERR: A001_001.png: pixel_format = 16 in [png] is not 8888 or 565"},
        {"[png]\ndither=2\n[A001]\ndither=-1\n",
         "A001_001.png",
         {},
         "LoadPngImage ERR: A001_001.png: dither = -1 in [A001] is not 0 or 1"},
        {"[png]\ndither=2\n[A001]\ndither=-1\n",
         "A002_001.png",
         {},
         "LoadPngImage ERR: A002_001.png: dither = 2 in [png] is not 0 or 1"},
        {"[A001_001.png]\nbackground=#12345G\n",
         "A001_001.png",
         {},
         "LoadPngImage ERR: A001_001.png: background = #12345G in [A001_001.png] is not #RRGGBB"},
        {"[A001_001.png]\nbackground=123456\n",
         "A001_001.png",
         {},
         "LoadPngImage ERR: A001_001.png: background = 123456 in [A001_001.png] is not #RRGGBB"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const fs::path config = folder.path() / "config.ini";
        write_text(config, c.config);
        ColourSettingsReader reader(config.string());
        const PictureColour colour = reader.read(c.picture);
        EXPECT_EQ(colour.error, c.error) << c.config << c.picture;
        if (colour.error.empty()) {
            EXPECT_EQ(colour.choice.rgb565, c.choice.rgb565) << c.config << c.picture;
            EXPECT_EQ(colour.choice.dither, c.choice.dither) << c.config << c.picture;
            EXPECT_EQ(colour.choice.background, c.choice.background) << c.config << c.picture;
        }
    }
}

}  // namespace
}  // namespace framestow
