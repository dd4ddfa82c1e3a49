#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "packer_run_expectations.h"

// Runs with the colour keys and max_size: which pictures become RGB565, with what bytes, what
// the run prints, and that a failing run leaves output/ as it was.
namespace framestow::e2e {
namespace {

namespace fs = std::filesystem;
using testing::PackerWorkspace;
using testing::PngColour;
using testing::ProcessResult;
using testing::read_bytes;
using testing::write_bytes;
using testing::write_png;
using testing::write_text;

const char* const kPackage = "[gui01.bin]\nname=gui01.bin\nversion=1.0.0.1\napp_list=A001,A002\n";

// Three opaque pixels of an RGB file: 0xC326, 0x0000 and 0x0821 once rounded.
const Bytes kOpaqueRgba = {200, 100, 50, 0xFF, 0, 0, 0, 0xFF, 5, 3, 5, 0xFF};
// Three pixels of half-transparent red.
const Bytes kHalfRedRgba = {0xFF, 0, 0, 0x80, 0xFF, 0, 0, 0x80, 0xFF, 0, 0, 0x80};

const Bytes kOpaqueRgb565 = {0x34, 0x12, 0x65, 0xF5, 3, 0, 1, 0, 0x26, 0xC3, 0, 0, 0x21, 0x08};
const Bytes kOpaque8888 = {0x34, 0x12, 0x88, 0x88, 3, 0,    1, 0, 200, 100,
                           50,   0xFF, 0,    0,    0, 0xFF, 5, 3, 5,   0xFF};
const Bytes kHalfRed8888 = {0x34, 0x12, 0x88, 0x88, 3,    0,    1, 0, 0,    0,
                            0xFF, 0x80, 0,    0,    0xFF, 0x80, 0, 0, 0xFF, 0x80};
// Onto white: red 255, green and blue 127.
const Bytes kHalfRedOnWhite = {0x34, 0x12, 0x65, 0xF5, 3,    0,    1,
                               0,    0xEF, 0xFB, 0xEF, 0xFB, 0xEF, 0xFB};

struct ColourCase {
    const char* name;
    std::string config;
    int exit_status;
    std::string err;           // standard error, with "<root>" for the working path
    Lines lines;               // lines that standard output must hold, in this order
    Bytes first_bitmap;        // bitmap file of A001_001.png (opaque), when it is written
    Bytes second_bitmap;       // bitmap file of A001_002.png (half-transparent red)
    bool bmp_picture = false;  // adds A002_001.bmp
};

bool holds_in_order(const Lines& all, const Lines& wanted) {
    auto at = all.begin();
    for (const std::string& line : wanted) {
        at = std::find(at, all.end(), line);
        if (at == all.end()) {
            return false;
        }
    }
    return true;
}

std::string with_root(std::string text, const std::string& root) {
    for (std::size_t at = text.find("<root>"); at != std::string::npos;
         at = text.find("<root>", at)) {
        text.replace(at, 6, root);
    }
    return text;
}

TEST(ColourEndToEnd, KeysChooseEachPicturesPixelsAndMaxSizeGuardsThePackage) {
    // Standard error's lines begin on a line of their own, after the open progress line.
    const std::string kept =
        "\nLoadPngImage: <root>/image/A001_002.png has transparent pixels and no background: kept "
        "as 32-bit pixels\n";
    const ColourCase cases[] = {
        {"no colour keys",
         kPackage,
         0,
         "",
         {"generate_gui_bin: count = 2, size = 48"},
         kOpaque8888,
         kHalfRed8888},
        {"565 in [png]: opaque converted, transparent kept",
         "[png]\npixel_format=565\n" + std::string(kPackage),
         0,
         kept,
         {"Zipping bitmap files:BufferUnzip result = -1", "generate_gui_bin: count = 2, size = 44"},
         kOpaqueRgb565,
         kHalfRed8888},
        {"a background for the application",
         "[png]\npixel_format=565\n[A001]\nbackground=#FFFFFF\n" + std::string(kPackage),
         0,
         "",
         {"generate_gui_bin: count = 2, size = 40"},
         kOpaqueRgb565,
         kHalfRedOnWhite},
        {"the picture's own section wins",
         "[png]\npixel_format=565\n[A001]\nbackground=#FFFFFF\n[A001_002.png]\npixel_format="
         "8888\n" +
             std::string(kPackage),
         0,
         "",
         {},
         kOpaqueRgb565,
         kHalfRed8888},
        {"a bad value fails its picture",
         "[A001_002.png]\npixel_format=56\n" + std::string(kPackage),
         255,
         "",
         {"0LoadPngImage ERR: A001_002.png: pixel_format = 56 in [A001_002.png] is not 8888 or 565",
          "Error: LoadPngImage for <root>/image/A001_002.png", "Error: prepare_zip_files"},
         kOpaque8888,
         {}},
        {"BMP pictures take no colour keys",
         "[A002_001.bmp]\ndither=7\n" + std::string(kPackage),
         0,
         "",
         {"generate_gui_bin: count = 3, size = 64"},
         kOpaque8888,
         kHalfRed8888,
         true},
        {"every package is checked against its max_size",
         "[png]\npixel_format=565\n[gui01.bin]\nname=gui01.bin\nversion=1\napp_list=A001\n"
         "max_size=43\n[gui02.bin]\nname=gui02.bin\nversion=1\napp_list=A002\nmax_size=4x\n",
         255,
         kept,
         {"generateBinFile: gui01.bin is 44 bytes, more than max_size = 43",
          "generateBinFile: gui02.bin has max_size = 4x, not a number of bytes",
          "Error: generateBinFile"},
         kOpaqueRgb565,
         kHalfRed8888,
         true},
        {"a package within its max_size",
         "[png]\npixel_format=565\n" + std::string(kPackage) + "max_size=44\n",
         0,
         kept,
         {"generate_gui_bin: count = 2, size = 44"},
         kOpaqueRgb565,
         kHalfRed8888},
    };
    for (const ColourCase& c : cases) {
        SCOPED_TRACE(c.name);
        PackerWorkspace workspace(built_packer());
        workspace.write_config(c.config);
        write_png(workspace.image("A001_001.png"), 3, 1, kOpaqueRgba, {.colour = PngColour::kRgb});
        write_png(workspace.image("A001_002.png"), 3, 1, kHalfRedRgba);
        if (c.bmp_picture) {
            write_bytes(workspace.image("A002_001.bmp"), testing::make_bmp(3, 1, {1, 2, 3}));
        }
        fs::create_directory(workspace.root() / "output");
        write_text(workspace.output("gui01.bin"), "from an earlier run");
        const testing::FolderContents output_before =
            testing::folder_contents(workspace.root() / "output");

        const ProcessResult result = workspace.run();

        const std::string root = folder_of(workspace);
        EXPECT_EQ(result.exit_status, c.exit_status) << result.out;
        EXPECT_EQ(result.err, with_root(c.err, root));
        Lines lines;
        for (const std::string& line : c.lines) {
            lines.push_back(with_root(line, root));
        }
        EXPECT_TRUE(holds_in_order(result.out_lines(), lines)) << result.out;
        EXPECT_EQ(read_bytes(workspace.staged("image_bitmap", "A001_001.png")), c.first_bitmap);
        if (!c.second_bitmap.empty()) {
            EXPECT_EQ(read_bytes(workspace.staged("image_bitmap", "A001_002.png")),
                      c.second_bitmap);
        }
        if (c.exit_status != 0) {
            EXPECT_EQ(testing::folder_contents(workspace.root() / "output"), output_before);
        }
    }
}

}  // namespace
}  // namespace framestow::e2e
