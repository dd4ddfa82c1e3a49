// framestow-inspect run as a user runs it, on outputs that the built packer wrote in workspaces
// made here: what it lists, what it finds on sound and on deliberately broken outputs, what it
// extracts, and its exit statuses.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/firmware_workspaces.h"
#include "support/png_readback.h"
#include "support/test_pictures.h"
#include "support/workspace_harness.h"

namespace framestow::inspect {
namespace {

namespace fs = std::filesystem;
using testing::PackerWorkspace;
using testing::ProcessResult;
using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

ProcessResult inspect(const std::vector<std::string>& args) {
    return testing::run_program(FRAMESTOW_INSPECT, args, fs::temp_directory_path());
}

std::string output_of(const PackerWorkspace& workspace) {
    return (workspace.root() / "output").string();
}

// A workspace of the demo's pictures, packed.
struct PackedDemo {
    PackedDemo() {
        testing::fill_demo_workspace(workspace);
        const ProcessResult run = workspace.run();
        EXPECT_EQ(run.exit_status, 0) << run.out;
    }
    std::string output() const { return output_of(workspace); }
    PackerWorkspace workspace{FRAMESTOW_PROGRAM};
};

// The number of the first line of `path` that contains `needle`, from 1.
std::string line_of(const fs::path& path, const std::string& needle) {
    const std::string text = testing::read_text(path);
    const std::size_t at = text.find(needle);
    return std::to_string(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n') + 1);
}

std::string size_of(const fs::path& path) {
    return std::to_string(fs::file_size(path));
}

// What libpng reads back from a PNG file: RGBA pixels for 4-byte pictures, RGB for RGB565 ones.
testing::DecodedPng read_png(const fs::path& path) {
    return testing::decode_png(testing::read_text(path), testing::kFileFormat);
}

TEST(InspectProgram, ListsEverySlotOfTheVariedWorkspace) {
    PackerWorkspace workspace(FRAMESTOW_PROGRAM);
    const testing::FirmwareWorkspace varied = testing::fill_varied_workspace(workspace);
    ASSERT_EQ(workspace.run().exit_status, 0);

    const ProcessResult list = inspect({"list", output_of(workspace), "--json"});
    ASSERT_EQ(list.exit_status, 0) << list.err;
    const nlohmann::json json = nlohmann::json::parse(list.out);
    std::map<std::string, nlohmann::json> rows;
    for (const nlohmann::json& row : json["pictures"]) {
        rows[row["name"]] = row;
    }
    // One row per number from 1 to the highest of each application that a package holds.
    EXPECT_EQ(json["pictures"].size(), 10u);
    for (const testing::SourcePicture& picture : varied.pictures) {
        SCOPED_TRACE(picture.name);
        if (picture.package.empty()) {
            EXPECT_FALSE(rows.contains(picture.name));
            continue;
        }
        const nlohmann::json& row = rows.at(picture.name);
        const bool rgb565 = picture.pixel_format == 0xF565;
        EXPECT_EQ(row["package"], picture.package);
        EXPECT_EQ(row["width"], picture.width);
        EXPECT_EQ(row["height"], picture.height);
        EXPECT_EQ(row["pixel_format"], rgb565 ? "0xF565" : "0x8888");
        EXPECT_EQ(row["body_form"], rgb565 ? "marker" : "block");
        EXPECT_EQ(row["pixel_bytes"], picture.pixels.size());
        EXPECT_EQ(row["size"], fs::file_size(workspace.staged("image_zip", picture.name)));
        EXPECT_EQ(row["placeholder"], false);
    }
    for (const std::string placeholder : {"A001_003.png", "A003_001.png"}) {
        EXPECT_EQ(rows.at(placeholder)["placeholder"], true) << placeholder;
        EXPECT_EQ(rows.at(placeholder)["size"], 0) << placeholder;
    }
    ASSERT_EQ(json["packages"].size(), 3u);
    for (const nlohmann::json& package : json["packages"]) {
        const std::string name = package["name"];
        EXPECT_EQ(package["length"], fs::file_size(workspace.output(name))) << name;
        EXPECT_EQ(package["version"], "1.0.0." + name.substr(4, 1)) << name;
    }
    EXPECT_EQ(json["packages"][0]["pictures"], 4);
    EXPECT_EQ(json["packages"][0]["placeholders"], 2);
}

TEST(InspectProgram, VerifiesAndExtractsWhatThePackerWrote) {
    struct Case {
        std::function<void(const PackerWorkspace&)> fill;
        std::string verified;
    };
    const Case cases[] = {
        {testing::fill_demo_workspace,
         "verify: no problems (7 pictures, 1 placeholder, 2 packages)"},
        {testing::fill_varied_workspace,
         "verify: no problems (8 pictures, 2 placeholders, 3 packages)"},
    };
    for (const Case& c : cases) {
        PackerWorkspace workspace(FRAMESTOW_PROGRAM);
        c.fill(workspace);
        ASSERT_EQ(workspace.run().exit_status, 0);
        const ProcessResult verify =
            inspect({"verify", output_of(workspace), "--workspace", workspace.root().string()});
        EXPECT_EQ(verify.exit_status, 0);
        EXPECT_EQ(verify.out_lines(), Lines{c.verified});

        const fs::path dest = workspace.root() / "extracted";
        const ProcessResult extract = inspect({"extract", output_of(workspace), dest.string()});
        EXPECT_EQ(extract.exit_status, 0) << extract.err;
        EXPECT_EQ(extract.out_lines(), Lines{"extract: " + c.verified.substr(21, 2) +
                                             "pictures written to " + dest.string()});
        // Every packed picture comes back from its PNG as a firmware reads its check file:
        // 4-byte pixels as the little-endian value 0xAARRGGBB, RGB565 pixels from the top bits
        // of each widened channel.
        for (const auto& entry : fs::directory_iterator(dest)) {
            const std::string name = entry.path().stem().string();
            SCOPED_TRACE(name);
            const Bytes check = testing::read_bytes(workspace.staged("image_unzip", name));
            const testing::DecodedPng png = read_png(entry.path());
            ASSERT_EQ(png.width, check[4] | check[5] << 8);
            ASSERT_EQ(png.height, check[6] | check[7] << 8);
            const Bytes pixels(check.begin() + 8, check.end());
            if (check[2] == 0x88) {
                EXPECT_TRUE(png.alpha);
                Bytes argb = pixels;
                for (std::size_t i = 0; i + 3 < argb.size(); i += 4) {
                    std::swap(argb[i], argb[i + 2]);
                }
                EXPECT_EQ(png.pixels, argb);
                continue;
            }
            EXPECT_FALSE(png.alpha);
            ASSERT_EQ(png.pixels.size(), pixels.size() / 2 * 3);
            for (std::size_t i = 0; i < pixels.size() / 2; ++i) {
                const unsigned value = pixels[2 * i] | pixels[2 * i + 1] << 8;
                const uint8_t* rgb = &png.pixels[3 * i];
                ASSERT_EQ((rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | rgb[2] >> 3, value) << i;
            }
        }
    }
}

TEST(InspectProgram, ExtractsOnlyTheNamedPictures) {
    PackedDemo demo;
    const fs::path dest = demo.workspace.root() / "one";
    const ProcessResult one =
        inspect({"extract", demo.output(), dest.string(), "--only", "A002_002.bmp"});
    EXPECT_EQ(one.exit_status, 0) << one.err;
    EXPECT_EQ(one.out_lines(), Lines{"extract: 1 picture written to " + dest.string()});
    EXPECT_EQ(std::distance(fs::directory_iterator(dest), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(dest / "A002_002.bmp.png"));

    const ProcessResult placeholder =
        inspect({"extract", demo.output(), dest.string(), "--only", "A002_003.png"});
    EXPECT_EQ(placeholder.exit_status, 1);
    EXPECT_EQ(placeholder.err,
              "gui01.bin A002_003.png: a placeholder: there is no picture to extract\n");
}

// A link planted at the name that a file's temporary copy once had is left alone: the file is
// written beside it and takes its own name.
TEST(InspectProgram, WritesNoFileThroughAPlantedLink) {
    PackedDemo demo;
    const fs::path dest = demo.workspace.root() / "dest";
    const fs::path victim = demo.workspace.root() / "victim.txt";
    const struct {
        std::vector<std::string> args;
        fs::path written;
    } cases[] = {
        {{"extract", demo.output(), dest.string(), "--only", "A002_002.bmp"},
         dest / "A002_002.bmp.png"},
        {{"report", demo.output(), "-o", (dest / "page.html").string()}, dest / "page.html"},
    };
    fs::create_directory(dest);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        testing::write_text(victim, "victim");
        const fs::path planted = c.written.string() + ".partial";
        fs::create_symlink(victim, planted);

        const ProcessResult run = inspect(c.args);

        EXPECT_EQ(run.exit_status, 0) << run.err;
        EXPECT_EQ(testing::read_text(victim), "victim");
        EXPECT_EQ(fs::read_symlink(planted), victim);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(c.written)));
        EXPECT_GT(fs::file_size(c.written), 100u);
    }
}

// `text` with the first `from` replaced by `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

void edit_text(const fs::path& path, const std::string& from, const std::string& to) {
    testing::write_text(path, replaced(testing::read_text(path), from, to));
}

std::size_t count_of(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

// The demo, packed, then broken in one way; what verify prints for it, and its exit status.
TEST(InspectProgram, VerifyNamesWhatDisagreesInBrokenOutputs) {
    struct Case {
        const char* fault;
        std::function<Lines(PackedDemo&)> break_it;  // returns the lines verify must print
        int exit_status;
    };
    const auto cpp = [](const PackedDemo& demo) {
        return demo.workspace.output("BitmapMapping.cpp");
    };
    // gui02.bin's package line made to say a size `delta` bytes off the file's.
    const auto change_package_line_size = [&](PackedDemo& demo, int delta) {
        const std::string length = size_of(demo.workspace.output("gui02.bin"));
        const std::string changed = std::to_string(std::stoll(length) + delta);
        edit_text(cpp(demo), "1.0.2.3  size = " + length, "1.0.2.3  size = " + changed);
        const std::string at =
            " (BitmapMapping.cpp line " + line_of(cpp(demo), "// gui02.bin:") + ")";
        return Lines{"gui02.bin: the file is " + length +
                         " bytes, BitmapMapping.cpp says size = " + changed + at,
                     "gui02.bin: its entries end at byte " + length +
                         ", its package line says size = " + changed + at};
    };
    const Case cases[] = {
        {"a package older than its pictures: A002_004.png grew and was packed again, and the "
         "earlier gui01.bin was put back",
         [&](PackedDemo& demo) {
             const fs::path package = demo.workspace.output("gui01.bin");
             const Bytes old_package = testing::read_bytes(package);
             const uint64_t old_size =
                 fs::file_size(demo.workspace.staged("image_zip", "A002_004.png"));
             fs::copy_file(demo.workspace.image("A001_003.png"),
                           demo.workspace.image("A002_004.png"),
                           fs::copy_options::overwrite_existing);
             EXPECT_EQ(demo.workspace.run().exit_status, 0);
             const uint64_t new_size =
                 fs::file_size(demo.workspace.staged("image_zip", "A002_004.png"));
             testing::write_bytes(package, old_package);
             const uint64_t offset = old_package.size() - old_size;
             return Lines{
                 "gui01.bin: the file is " + std::to_string(old_package.size()) +
                     " bytes, BitmapMapping.cpp says size = " + std::to_string(offset + new_size) +
                     " (BitmapMapping.cpp line " + line_of(cpp(demo), "// gui01.bin:") + ")",
                 "gui01.bin A002_004.png: bytes " + std::to_string(offset) + " to " +
                     std::to_string(offset + new_size) + " lie past the end of gui01.bin (" +
                     std::to_string(old_package.size()) + " bytes) (BitmapMapping.cpp line " +
                     line_of(cpp(demo), "A002_004.png =") + ")"};
         },
         1},
        {"the apps entries of A001 and A002 swapped",
         [&](PackedDemo& demo) {
             std::string text = testing::read_text(cpp(demo));
             const std::string first = "    { 1, 3, bitmapsA001 }, // 0: A001\r\n";
             const std::string second = "    { 1, 4, bitmapsA002 }, // 1: A002\r\n";
             text.replace(text.find(first), first.size() + second.size(), second + first);
             testing::write_text(cpp(demo), text);
             const std::string entry0 = line_of(cpp(demo), "{ 1, 4, bitmapsA002 }");
             const std::string entry1 = line_of(cpp(demo), "{ 1, 3, bitmapsA001 }");
             return Lines{
                 "BitmapMapping.cpp apps entry 0 (A001): its comment says \"1: A002\" "
                 "(BitmapMapping.cpp line " +
                     entry0 + ")",
                 "BitmapMapping.cpp apps entry 0 (A001): it points at bitmapsA002: the firmware "
                 "finds the pictures of A002 under application 1 (BitmapMapping.cpp line " +
                     entry0 + ")",
                 "BitmapMapping.cpp apps entry 1 (A002): its comment says \"0: A001\" "
                 "(BitmapMapping.cpp line " +
                     entry1 + ")",
                 "BitmapMapping.cpp apps entry 1 (A002): it points at bitmapsA001: the firmware "
                 "finds the pictures of A001 under application 2 (BitmapMapping.cpp line " +
                     entry1 + ")"};
         },
         1},
        {"the mapping source of a run without A003's picture",
         [&](PackedDemo& demo) {
             PackerWorkspace other(FRAMESTOW_PROGRAM);
             testing::fill_demo_workspace(other);
             fs::remove(other.image("A003_001.png"));
             EXPECT_EQ(other.run().exit_status, 0);
             fs::copy_file(other.output("BitmapMapping.cpp"), cpp(demo),
                           fs::copy_options::overwrite_existing);
             return Lines{
                 "BitmapMapping.xml: app A003, which BitmapMapping.cpp places in no "
                 "package (BitmapMapping.xml line " +
                     line_of(demo.workspace.output("BitmapMapping.xml"), "A003") + ")",
                 "gui02.bin: BitmapMapping.cpp gives it no pictures, yet the file is in "
                 "the output folder (left by an earlier run?)",
                 "gui02.bin A003_001.png: image/A003_001.png is in no package (added after "
                 "packing?)"};
         },
         1},
        {"a truncated package",
         [&](PackedDemo& demo) {
             const fs::path package = demo.workspace.output("gui02.bin");
             const std::string length = size_of(package);
             fs::resize_file(package, 100);
             return Lines{
                 "gui02.bin: the file is 100 bytes, BitmapMapping.cpp says size = " + length +
                     " (BitmapMapping.cpp line " + line_of(cpp(demo), "// gui02.bin:") + ")",
                 "gui02.bin A003_001.png: bytes 8 to " + length +
                     " lie past the end of gui02.bin (100 bytes) (BitmapMapping.cpp "
                     "line " +
                     line_of(cpp(demo), "A003_001.png =") + ")"};
         },
         1},
        {"a missing package",
         [&](PackedDemo& demo) {
             fs::remove(demo.workspace.output("gui02.bin"));
             return Lines{
                 "gui02.bin: missing from the output folder; BitmapMapping.cpp places 1 "
                 "picture slot in it"};
         },
         1},
        {"a picture changed after packing",
         [](PackedDemo& demo) {
             testing::write_png(demo.workspace.image("A002_001.png"), 48, 48,
                                testing::uniform_rgba(48, 48, 0xFF, 0, 0, 0xFF));
             return Lines{
                 "gui01.bin A002_001.png: image/A002_001.png now holds other pixels, "
                 "first at (0, 0): the package is older than the picture"};
         },
         1},
        {"a check file that another picture left",
         [](PackedDemo& demo) {
             const fs::path other = demo.workspace.staged("image_unzip", "A001_001.png");
             const fs::path check = demo.workspace.staged("image_unzip", "A001_002.png");
             const Bytes a = testing::read_bytes(other);
             const Bytes b = testing::read_bytes(check);
             const auto at = static_cast<std::size_t>(
                 std::mismatch(a.begin() + 8, a.end(), b.begin() + 8).first - a.begin() - 8);
             fs::copy_file(other, check, fs::copy_options::overwrite_existing);
             return Lines{
                 "gui01.bin A001_002.png: the package holds other pixels than "
                 "temp/image_unzip/A001_002.png, first at (" +
                 std::to_string(at / 4 % 466) + ", " + std::to_string(at / 4 / 466) + ")"};
         },
         1},
        {"a package changed in place: a byte near the end of A001_001.png's body",
         [](PackedDemo& demo) {
             const std::size_t size =
                 fs::file_size(demo.workspace.staged("image_zip", "A001_001.png"));
             Bytes package = testing::read_bytes(demo.workspace.output("gui01.bin"));
             package[8 + size - 2] ^= 0x10;
             testing::write_bytes(demo.workspace.output("gui01.bin"), package);
             // Both comparisons are told as they were made: neither blames the picture.
             return Lines{
                 "gui01.bin A001_001.png: the package holds other pixels than "
                 "temp/image_unzip/A001_001.png, first at (443, 465)",
                 "gui01.bin A001_001.png: the package holds other pixels than "
                 "image/A001_001.png, first at (443, 465)"};
         },
         1},
        {"a damaged picture body",
         [](PackedDemo& demo) {
             Bytes package = testing::read_bytes(demo.workspace.output("gui02.bin"));
             package[8 + 9] = 0xFF;  // the high byte of the first block's content length
             testing::write_bytes(demo.workspace.output("gui02.bin"), package);
             return Lines{
                 "gui02.bin A003_001.png: does not decode: block length over limit at "
                 "body byte 3"};
         },
         1},
        {"a damaged BitmapMapping.xml",
         [](PackedDemo& demo) {
             fs::resize_file(demo.workspace.output("BitmapMapping.xml"), 300);
             return Lines{
                 "BitmapMapping.xml: not readable XML: Error=XML_ERROR_PARSING_ATTRIBUTE "
                 "ErrorID=7 (0x7) Line number=6: XMLElement name=image_item"};
         },
         1},
        {"a package line's size lowered by one",
         [&](PackedDemo& demo) { return change_package_line_size(demo, -1); }, 1},
        {"a package line's size raised by one",
         [&](PackedDemo& demo) { return change_package_line_size(demo, +1); }, 1},
        {"byte 3 of a package header cleared",
         [](PackedDemo& demo) {
             Bytes package = testing::read_bytes(demo.workspace.output("gui01.bin"));
             package[3] = 0x00;
             testing::write_bytes(demo.workspace.output("gui01.bin"), package);
             return Lines{"gui01.bin: its header begins 55 55 55 00, not 55 55 55 55"};
         },
         1},
        {"the first version byte of one package and the last of another changed in config.ini "
         "after packing",
         [](PackedDemo& demo) {
             const fs::path config = demo.workspace.root() / "config.ini";
             edit_text(config, "version=1.0.0.1", "version=2.0.0.1");
             edit_text(config, "version=1.0.2.3", "version=1.0.2.4");
             return Lines{"gui01.bin: version 1.0.0.1 in its header, config.ini now gives 2.0.0.1",
                          "gui02.bin: version 1.0.2.3 in its header, config.ini now gives 1.0.2.4"};
         },
         1},
        {"4 bytes appended to a check file",
         [](PackedDemo& demo) {
             const fs::path check = demo.workspace.staged("image_unzip", "A003_001.png");
             Bytes bytes = testing::read_bytes(check);
             const std::size_t pixel_bytes = bytes.size() - 8;
             bytes.insert(bytes.end(), {1, 2, 3, 4});
             testing::write_bytes(check, bytes);
             return Lines{"gui02.bin A003_001.png: temp/image_unzip/A003_001.png holds " +
                          std::to_string(pixel_bytes + 4) + " pixel bytes, the package's picture " +
                          std::to_string(pixel_bytes)};
         },
         1},
        {"a BitmapMapping.cpp that framestow did not write",
         [&](PackedDemo& demo) {
             testing::write_text(cpp(demo), "int main() { return 0; }\n");
             return Lines{
                 "BitmapMapping.cpp: line 1: not a BitmapMapping.cpp written by "
                 "framestow: it does not begin with framestow's comment"};
         },
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        PackedDemo demo;
        Lines expected = c.break_it(demo);
        const ProcessResult verify =
            inspect({"verify", demo.output(), "--workspace", demo.workspace.root().string()});
        Lines printed = verify.out_lines();
        if (c.exit_status == 1) {
            ASSERT_FALSE(printed.empty());
            EXPECT_TRUE(
                printed.back().starts_with("verify: " + std::to_string(expected.size()) +
                                           (expected.size() == 1 ? " problem (" : " problems (")))
                << printed.back();
            printed.pop_back();
        }
        EXPECT_EQ(printed, expected);
        EXPECT_EQ(verify.exit_status, c.exit_status);
    }
}

// Output folders made hostile, as a crafted archive or a damaged copy gives them: each command
// refuses what a compiler or the firmware would read otherwise, never waits on a FIFO or grows
// without bound (a guard ends a run after a minute), and prints no byte of the folder raw.
TEST(InspectProgram, HostileFoldersAreRefusedOrQuoted) {
    struct Case {
        const char* fault;
        std::function<void(PackedDemo&)> plant;
        // The command's arguments: OUTPUT is the output folder, @name a path in the workspace.
        std::vector<std::string> args;
        int exit_status;
        std::string needle;  // what standard output or standard error must hold
        std::function<void(PackedDemo&)> also = {};
    };
    // Plants: a text replaced in a file of the output folder, a file given another length or
    // replaced by something that is no regular file, the output folder copied under a name.
    using Plant = std::function<void(PackedDemo&)>;
    const auto edit = [](std::string file, std::string from, std::string to) -> Plant {
        return [=](PackedDemo& demo) { edit_text(demo.workspace.output(file), from, to); };
    };
    const auto resize = [](std::string file, uint64_t size) -> Plant {
        return [=](PackedDemo& demo) { fs::resize_file(demo.workspace.output(file), size); };
    };
    const auto fifo_as = [](std::string file) -> Plant {
        return [=](PackedDemo& demo) {
            fs::remove(demo.workspace.output(file));
            EXPECT_EQ(::mkfifo(demo.workspace.output(file).c_str(), 0600), 0);
        };
    };
    const auto copy_as = [](std::string name) -> Plant {
        return [=](PackedDemo& demo) { fs::copy(demo.output(), demo.workspace.root() / name); };
    };
    const auto page = [](PackedDemo& demo) {
        return testing::read_text(demo.workspace.root() / "page.html");
    };
    const std::string cpp = "BitmapMapping.cpp";
    const std::string long_name = "A001_002" + std::string(600, 'x') + ".png";
    const Case cases[] = {
        {"an offset written in octal, which the compiler reads as another number",
         edit(cpp, "    { 8, ", "    { 010, "),
         {"verify", "OUTPUT"},
         2,
         "a number with a leading zero, which a compiler reads as octal"},
        {"the opening comment closed early and followed by a define",
         edit(cpp, " * Author: Framestow\r\n",
              " * Author: Framestow */\r\n#define snprintf_s(b, n, c, f, i) 0\r\n/*\r\n"),
         {"verify", "OUTPUT"},
         2,
         "its opening comment differs from framestow's, found \" * Author: Framestow */\""},
        {"a FIFO as BitmapMapping.cpp",
         fifo_as(cpp),
         {"verify", "OUTPUT"},
         2,
         "BitmapMapping.cpp: missing or unreadable in "},
        {"a link to an endless device as BitmapMapping.cpp",
         [&](PackedDemo& demo) {
             fs::remove(demo.workspace.output(cpp));
             fs::create_symlink("/dev/zero", demo.workspace.output(cpp));
         },
         {"list", "OUTPUT"},
         2,
         "BitmapMapping.cpp: missing or unreadable in "},
        {"a FIFO named like a package",
         fifo_as("gui09.bin"),
         {"verify", "OUTPUT"},
         0,
         "verify: no problems"},
        {"a BitmapMapping.xml larger than framestow writes",
         resize("BitmapMapping.xml", 300'000'000),
         {"verify", "OUTPUT"},
         1,
         "BitmapMapping.xml: 300000000 bytes, more than the "},
        {"terminal controls in an app_id of BitmapMapping.xml",
         edit("BitmapMapping.xml", "app_id=\"A003\"",
              "app_id=\"A003\x1b[2K\rverify: no problems\""),
         {"verify", "OUTPUT"},
         1,
         "app \"A003?[2K?verify: no problems\", which BitmapMapping.cpp places in no package"},
        {"terminal controls in the name of a stray package file",
         [](PackedDemo& demo) {
             testing::write_text(demo.workspace.output("gui\x1b[2J.bin"), "UUUU\x01\x00\x00\x01");
         },
         {"verify", "OUTPUT"},
         1,
         "\"gui?[2J.bin\": in the output folder, but BitmapMapping.cpp names no such package"},
        {"list --json on a folder whose name is not UTF-8",
         copy_as("out\xff"),
         {"list", "@out\xff", "--json"},
         0,
         "out\\\\xFF\","},
        {"two slots of one name to extract",
         edit(cpp, "// 1: A001_002.png", "// 1: A001_001.png"),
         {"extract", "OUTPUT", "@x"},
         1,
         "gui01.bin A001_001.png: another slot of that name was extracted already",
         [](PackedDemo& demo) {
             EXPECT_EQ(std::distance(fs::directory_iterator(demo.workspace.root() / "x"), {}), 6);
         }},
        {"a name longer than a row of list",
         edit(cpp, "A001_002.png =", long_name + " ="),
         {"list", "OUTPUT"},
         0,
         long_name + " gui01.bin "},
        {"a cut package to list",
         resize("gui02.bin", 100),
         {"list", "OUTPUT"},
         1,
         "gui02.bin A003_001.png: its bytes lie past the end of gui02.bin"},
        {"package sections in another order to report",
         [&](PackedDemo& demo) {
             const std::string text = testing::read_text(demo.workspace.output(cpp));
             const std::size_t first = text.find("// gui01.bin\r\n");
             const std::size_t second = text.find("// gui02.bin\r\n");
             const std::size_t end = text.find("// Count = 0");
             testing::write_text(demo.workspace.output(cpp),
                                 text.substr(0, first) + text.substr(second, end - second) +
                                     text.substr(first, second - first) + text.substr(end));
         },
         {"report", "OUTPUT", "-o", "@page.html"},
         1,
         "BitmapMapping.xml: its app elements stand in another order",
         [&](PackedDemo& demo) { EXPECT_EQ(count_of(page(demo), "data:image/png;base64,"), 7u); }},
        {"an output folder whose path holds & to report",
         copy_as("a&b"),
         {"report", "@a&b", "-o", "@page.html"},
         0,
         "report: ",
         [&](PackedDemo& demo) {
             EXPECT_EQ(count_of(page(demo), "a&amp;b"), 2u);
             EXPECT_EQ(count_of(page(demo), "a&b"), 0u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        PackedDemo demo;
        c.plant(demo);
        std::vector<std::string> args = {"60", FRAMESTOW_INSPECT};
        for (const std::string& arg : c.args) {
            args.push_back(arg == "OUTPUT"        ? demo.output()
                           : arg.starts_with("@") ? (demo.workspace.root() / arg.substr(1)).string()
                                                  : arg);
        }
        const ProcessResult run = testing::run_program("timeout", args, demo.workspace.root());
        EXPECT_EQ(run.exit_status, c.exit_status) << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(c.needle), std::string::npos) << run.out << run.err;
        EXPECT_EQ((run.out + run.err).find_first_of("\x1b\r"), std::string::npos);
        if (c.also) {
            c.also(demo);
        }
    }
}

// What a user sees for the slips of a first run: each told in one line with the way out, and the
// pictures whose sources have no alpha channel named given the workspace.
TEST(InspectProgram, SlipsAndRedFirstPicturesAreToldInOneLineEach) {
    PackedDemo demo;
    const std::string root = demo.workspace.root().string();
    const std::string dest = root + "/never";
    const auto red_first = [](const std::string& name) {
        return "gui01.bin " + name + ": warning: image/" + name +
               " has no alpha channel: its pixels are stored red first (the little-endian value "
               "0xFFBBGGRR), so a firmware reading 0xAARRGGBB shows it with red and blue "
               "exchanged";
    };
    const std::string warnings =
        red_first("A001_001.png") + "\n" + red_first("A001_002.png") + "\n";
    const std::string counts = "7 pictures, 1 placeholder, 2 packages";
    struct Case {
        std::vector<std::string> args;
        int exit_status;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {{"lst", demo.output()},
         2,
         "",
         "framestow-inspect: unknown command \"lst\"; the commands are list, verify, extract and "
         "report (see --help)\n"},
        {{"list", root},
         2,
         "",
         "BitmapMapping.cpp: missing or unreadable in " + root + " (" + root +
             " is a workspace: give its output folder, " + root + "/output)\n"},
        {{"verify", demo.output(), "--workspace", demo.output()},
         2,
         demo.output() + ": not a workspace: it has no image/ folder\n",
         ""},
        {{"verify", demo.output()},
         0,
         "verify: no problems (" + counts +
             "; pictures not compared with a workspace: add --workspace WORKSPACE)\n",
         ""},
        {{"verify", demo.output(), "--workspace", root},
         0,
         "verify: no problems (" + counts + ")\n",
         warnings},
        {{"extract", root + "/nowhere", dest}, 2, "", root + "/nowhere: not a folder\n"},
        {{"extract", demo.output(), dest, "--only", "A9.png"},
         2,
         "extract: 0 pictures written to " + dest + "\n",
         "A9.png: no picture of that name in " + demo.output() + "\n"},
        {{"extract", demo.output(), dest, "--only", "A001_001.png", "--workspace", root},
         0,
         "extract: 1 picture written to " + dest + "\n",
         warnings},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const bool extracts = c.args[0] == "extract";
        const ProcessResult run = inspect(c.args);
        EXPECT_EQ(run.exit_status, c.exit_status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        // A failed extract leaves no new folder behind.
        EXPECT_EQ(extracts && fs::exists(dest), extracts && c.exit_status == 0);
    }
    const std::string page = root + "/report.html";
    const ProcessResult report =
        inspect({"report", demo.output(), "-o", page, "--workspace", root});
    EXPECT_EQ(report.err, warnings);
    EXPECT_NE(testing::read_text(page).find("<li>" + red_first("A001_002.png") + "</li>"),
              std::string::npos);
}

TEST(InspectProgram, ExitStatusesOfTheCommandLine) {
    PackedDemo demo;
    const std::string missing = (demo.workspace.root() / "nowhere").string();
    const std::string page = (demo.workspace.root() / "report.html").string();
    struct Case {
        std::vector<std::string> args;
        int exit_status;
    };
    const Case cases[] = {
        {{"--help"}, 0},
        {{}, 2},
        {{"list"}, 2},
        {{"shuffle", demo.output()}, 2},
        {{"list", demo.output(), "--colour"}, 2},
        {{"list", demo.output()}, 0},
        {{"list", missing}, 2},
        {{"verify", missing}, 2},
        {{"verify", demo.output(), "--workspace", missing}, 2},
        {{"extract", demo.output(), (demo.workspace.root() / "x").string(), "--only", "A9.png"}, 2},
        {{"extract", demo.output(), (demo.workspace.root() / "no" / "such").string()}, 2},
        {{"report", demo.output()}, 2},
        {{"report", demo.output(), "-o", page}, 0},
        {{"report", demo.output(), "-o", (demo.workspace.root() / "no" / "p.html").string()}, 2},
    };
    for (const Case& c : cases) {
        const ProcessResult run = inspect(c.args);
        EXPECT_EQ(run.exit_status, c.exit_status) << ::testing::PrintToString(c.args) << run.err;
    }
    const ProcessResult version = inspect({"--version"});
    EXPECT_EQ(version.exit_status, 0);
    EXPECT_EQ(version.out, "framestow-inspect " FRAMESTOW_VERSION "\n");
}

}  // namespace
}  // namespace framestow::inspect
