#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "packer_run_expectations.h"

// The packer run as a user runs it: copied into a fresh folder with pictures beside it, started
// from another folder, judged by what it prints, its exit status and the files it leaves.
namespace framestow::e2e {
namespace {

namespace fs = std::filesystem;
using testing::encode_png;
using testing::make_bmp;
using testing::PackerWorkspace;
using testing::PngOptions;
using testing::ProcessResult;
using testing::read_bytes;
using testing::uniform_rgba;
using testing::write_bytes;
using testing::write_png;
using testing::write_text;
const char* const kBlockFormConfig = "[png]\nbit_type=0\nblock_len=1\nzip_type=1\n";
const char* const kMarkerFormConfig = "[png]\nbit_type=0\nblock_len=1\nzip_type=0\n";

// The first `count` lines of a run's output.
Lines first_lines(const ProcessResult& result, std::size_t count) {
    Lines lines = result.out_lines();
    if (lines.size() > count) {
        lines.resize(count);
    }
    return lines;
}

// Three pixels whose bitmap bytes are 00 00 FF FF each (blue, green, red, alpha).
void add_three_red_pixels(const PackerWorkspace& workspace, const std::string& name) {
    write_png(workspace.image(name), 3, 1, uniform_rgba(3, 1, 0xFF, 0x00, 0x00, 0xFF));
}

TEST(PreparationEndToEnd, ThreePicturesLeaveTheirStagingFiles) {
    const struct {
        const char* config;
        Bytes compressed;
    } cases[] = {
        {kBlockFormConfig,
         {0x67, 0x45, 0x88, 0x88, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x5F, 0x00, 0x00, 0xFF,
          0xFF, 0x03}},
        {kMarkerFormConfig, {0x45, 0x23, 0x88, 0x88, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00,
                             0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF}},
    };
    const Bytes bitmap = {0x34, 0x12, 0x88, 0x88, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00,
                          0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF};
    for (const auto& c : cases) {
        PackerWorkspace workspace(built_packer());
        workspace.write_config(c.config);
        for (const char* name : {"A001_001.png", "A001_002.png", "A001_003.png"}) {
            add_three_red_pixels(workspace, name);
        }
        const ProcessResult result = workspace.run({"ignored", "arguments"});
        const std::string root = folder_of(workspace);
        EXPECT_EQ(first_lines(result, 9), preparation_lines(root, 3, 0));
        for (const char* name : {"A001_001.png", "A001_002.png", "A001_003.png"}) {
            EXPECT_EQ(read_bytes(workspace.staged("image_bitmap", name)), bitmap) << name;
            EXPECT_EQ(read_bytes(workspace.staged("image_zip", name)), c.compressed) << name;
            EXPECT_EQ(read_bytes(workspace.staged("image_unzip", name)), bitmap) << name;
        }
        EXPECT_EQ(result.exit_status, 0) << result.out;
    }
}

TEST(PreparationEndToEnd, UniformLargePictureIsNineteenBytes) {
    PackerWorkspace workspace(built_packer());
    workspace.write_config(kBlockFormConfig);
    write_png(workspace.image("A001_001.png"), 1000, 1000,
              uniform_rgba(1000, 1000, 0x30, 0x20, 0x10, 0xFF));
    const ProcessResult result = workspace.run();
    EXPECT_EQ(read_bytes(workspace.staged("image_zip", "A001_001.png")),
              (Bytes{0x67, 0x45, 0x88, 0x88, 0xE8, 0x03, 0xE8, 0x03, 0x00, 0x00, 0x08, 0x5F, 0x10,
                     0x20, 0x30, 0xFF, 0x8F, 0x42, 0x40}));
    EXPECT_EQ(result.exit_status, 0) << result.out;
}

TEST(PreparationEndToEnd, UnderscoreBytesAreStoredAsCaretInTheBlockForm) {
    PackerWorkspace workspace(built_packer());
    workspace.write_config(kBlockFormConfig);
    // Blue 0x5F comes first in the bitmap's pixel bytes.
    write_png(workspace.image("A001_001.png"), 2, 1,
              {0x01, 0x02, 0x5F, 0xFF, 0x03, 0x04, 0x5F, 0x80});
    const ProcessResult result = workspace.run();
    ASSERT_EQ(result.exit_status, 0) << result.out;
    const Bytes header = {0x34, 0x12, 0x88, 0x88, 0x02, 0x00, 0x01, 0x00};
    EXPECT_EQ(read_bytes(workspace.staged("image_bitmap", "A001_001.png")),
              concat(header, Bytes{0x5F, 0x02, 0x01, 0xFF, 0x5F, 0x04, 0x03, 0x80}));
    EXPECT_EQ(read_bytes(workspace.staged("image_unzip", "A001_001.png")),
              concat(header, Bytes{0x5E, 0x02, 0x01, 0xFF, 0x5E, 0x04, 0x03, 0x80}));
}

TEST(PreparationEndToEnd, BmpPicturesKeepTheirPixelsRightSideUp) {
    PackerWorkspace workspace(built_packer());
    // Top row p3 p4, bottom row p1 p2.
    write_bytes(workspace.image("A001_001.bmp"), make_bmp(2, 2, {0x3333, 0x4444, 0x1111, 0x2222}));
    const ProcessResult result = workspace.run();
    const std::string root = folder_of(workspace);
    EXPECT_EQ(first_lines(result, 9), preparation_lines(root, 0, 1));
    const Bytes bitmap = {0x34, 0x12, 0x65, 0xF5, 0x02, 0x00, 0x02, 0x00,
                          0x33, 0x33, 0x44, 0x44, 0x11, 0x11, 0x22, 0x22};
    EXPECT_EQ(read_bytes(workspace.staged("image_bitmap", "A001_001.bmp")), bitmap);
    // Without settings: the marker form and magic 0x2345.
    EXPECT_EQ(read_bytes(workspace.staged("image_zip", "A001_001.bmp")),
              (Bytes{0x45, 0x23, 0x65, 0xF5, 0x02, 0x00, 0x02, 0x00, 0x33, 0x33, 0x44, 0x44, 0x11,
                     0x11, 0x22, 0x22}));
    EXPECT_EQ(read_bytes(workspace.staged("image_unzip", "A001_001.bmp")), bitmap);
    EXPECT_EQ(result.exit_status, 0) << result.out;
}

TEST(PreparationEndToEnd, ABmpWithMasksOtherThanRgb565IsRefusedAndOutputStaysAsItWas) {
    // Packed as RGB565, these pictures would show in wrong colours on the device.
    const struct {
        const char* what;
        std::array<uint32_t, 3> masks;
    } cases[] = {
        {"RGB555", {0x7C00, 0x03E0, 0x001F}},
        {"BGR565", {0x001F, 0x07E0, 0xF800}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PackerWorkspace workspace(built_packer());
        add_three_red_pixels(workspace, "A001_001.png");
        write_bytes(workspace.image("A001_002.bmp"),
                    make_bmp(2, 1, {0x7C00, 0x001F}, {.masks = c.masks}));
        fs::create_directory(workspace.root() / "output");
        write_text(workspace.output("gui01.bin"), "from an earlier run");
        write_text(workspace.output("BitmapMapping.cpp"), "// from an earlier run\r\n");
        const testing::FolderContents output_before =
            testing::folder_contents(workspace.root() / "output");

        const ProcessResult result = workspace.run();

        const std::string root = folder_of(workspace);
        const std::string picture = root + "/image/A001_002.bmp";
        EXPECT_EQ(result.out_lines(),
                  concat(start_lines(root),
                         Lines{"find_all_files: count: 1 with: " + root + "/image/*.png",
                               "find_all_files: count: 1 with: " + root + "/image/*.bmp",
                               "Zipping bitmap files:",
                               "0load_bmp_image: Unsupported bit fields in " + picture,
                               "Error: LoadBmpImage for " + picture + "result is-1", "", "",
                               "Error: prepare_zip_files"}));
        EXPECT_EQ(result.exit_status, kFailureStatus);
        EXPECT_EQ(testing::folder_contents(workspace.root() / "output"), output_before);
        // As for every refused picture: an empty bitmap file, nothing further.
        EXPECT_EQ(read_bytes(workspace.staged("image_bitmap", "A001_002.bmp")), Bytes{});
        EXPECT_FALSE(fs::exists(workspace.staged("image_zip", "A001_002.bmp")));
    }
}

TEST(PreparationEndToEnd, OddPixelCountBmpPadsWithZerosAndPasses) {
    PackerWorkspace workspace(built_packer());
    write_bytes(workspace.image("A001_001.bmp"), make_bmp(3, 1, {0x1111, 0x2222, 0x3333}));
    const ProcessResult result = workspace.run();
    const Lines lines = result.out_lines();
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(Lines(lines.begin() + 6, lines.begin() + 9),
              (Lines{"Zipping bitmap files:BufferUnzip result = -1", "", "0"}));
    EXPECT_EQ(read_bytes(workspace.staged("image_zip", "A001_001.bmp")),
              (Bytes{0x45, 0x23, 0x65, 0xF5, 0x03, 0x00, 0x01, 0x00, 0x11, 0x11, 0x22, 0x22, 0x33,
                     0x33, 0x00, 0x00}));
    EXPECT_EQ(read_bytes(workspace.staged("image_unzip", "A001_001.bmp")),
              (Bytes{0x34, 0x12, 0x65, 0xF5, 0x03, 0x00, 0x01, 0x00, 0x11, 0x11, 0x22, 0x22, 0x33,
                     0x33}));
    EXPECT_EQ(result.exit_status, 0) << result.out;
}

TEST(PreparationEndToEnd, TheLoaderFollowsTheContentNotTheExtension) {
    PackerWorkspace workspace(built_packer());
    workspace.write_config(kBlockFormConfig);
    add_three_red_pixels(workspace, "A001_001.bmp");  // a PNG file under a BMP name
    const ProcessResult result = workspace.run();
    const Bytes compressed = read_bytes(workspace.staged("image_zip", "A001_001.bmp"));
    ASSERT_EQ(compressed.size(), 17u) << result.out;  // block form: read as a PNG picture
    EXPECT_EQ(compressed[2], 0x88);
    EXPECT_EQ(result.exit_status, 0) << result.out;
}

TEST(PreparationEndToEnd, ProgressRunsTwentyNumbersALine) {
    PackerWorkspace workspace(built_packer());
    const Bytes picture = encode_png(2, 2, uniform_rgba(2, 2, 1, 2, 3, 4));
    for (int i = 1; i <= 45; ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "A001_%03d.png", i);
        write_bytes(workspace.image(name), picture);
    }
    const ProcessResult result = workspace.run();
    const Lines lines = result.out_lines();
    ASSERT_GE(lines.size(), 11u) << result.out;
    EXPECT_EQ(Lines(lines.begin() + 6, lines.begin() + 11),
              (Lines{"Zipping bitmap files:", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19",
                     "20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 35 36 37 38 39",
                     "40 41 42 43 44", ""}));
    EXPECT_EQ(result.exit_status, 0) << result.out;
}

TEST(PreparationEndToEnd, OnePictureNameIsMarkedWithAnErrorLineAndStillPacked) {
    PackerWorkspace workspace(built_packer());
    add_three_red_pixels(workspace, "A001_001.png");
    add_three_red_pixels(workspace, "A012_010.png");
    const ProcessResult result = workspace.run();
    const Lines lines = result.out_lines();
    ASSERT_GE(lines.size(), 10u) << result.out;
    EXPECT_EQ(Lines(lines.begin() + 6, lines.begin() + 10),
              (Lines{"Zipping bitmap files:", "0Error", " 1", ""}));
    EXPECT_TRUE(fs::exists(workspace.staged("image_zip", "A012_010.png")));
    EXPECT_EQ(result.exit_status, 0) << result.out;
}

struct BadInput {
    const char* what;
    const char* name;
    Bytes bytes;
    const char* message;  // printed before the verdict, on the progress line
    const char* verdict;  // the preparation stage's line, followed by the picture's path
};

Bytes truncated(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

Bytes with_byte(Bytes bytes, std::size_t offset, uint8_t value) {
    bytes.at(offset) = value;
    return bytes;
}

Bytes with_le32(Bytes bytes, std::size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
    }
    return bytes;
}

Bytes noisy_rgba(uint32_t width, uint32_t height) {
    Bytes pixels(std::size_t{width} * height * 4);
    uint32_t state = 12345;
    for (uint8_t& byte : pixels) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return pixels;
}

// A PNG file whose header claims a size; its pixel data would be far too short.
Bytes png_claiming(uint32_t width, uint32_t height) {
    using testing::png_chunk;
    Bytes file = concat(testing::png_signature(),
                        png_chunk("IHDR", testing::png_header_data(width, height, 8, 6)));
    file = concat(file, png_chunk("IDAT", {0x78, 0x9C, 0x63, 0x00, 0x00}));
    return concat(file, png_chunk("IEND", {}));
}

TEST(PreparationEndToEnd, BadPicturesEndTheRunWithAMessageAndStatus255) {
    const Bytes good_png = encode_png(16, 16, noisy_rgba(16, 16));
    const Bytes good_bmp = make_bmp(4, 2, std::vector<uint16_t>(8, 0x1234));
    PngOptions grey;
    grey.colour = testing::PngColour::kGrey;
    testing::BmpOptions bits24;
    bits24.bit_count = 24;
    const BadInput cases[] = {
        {"truncated PNG", "A001_001.png", truncated(good_png, good_png.size() / 2),
         "LoadPngImage ERR: ReadPngFile Failed-1", "Error: LoadPngImage for "},
        {"damaged chunk", "A001_001.png",
         with_byte(good_png, testing::kPngFirstChunkAfterHeader + 10,
                   good_png[testing::kPngFirstChunkAfterHeader + 10] ^ 0x55),
         "LoadPngImage ERR: ReadPngFile Failed-1", "Error: LoadPngImage for "},
        {"empty file", "A001_001.png", {}, "", "Error: LoadPngImage for "},
        {"three bytes", "A001_001.png", {0x89, 'P', 'N'}, "", "Error: LoadPngImage for "},
        {"text named .png", "A001_001.png", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, "",
         "Error: LoadBmpImage for "},
        {"greyscale", "A001_001.png", encode_png(2, 2, uniform_rgba(2, 2, 9, 9, 9, 255), grey),
         "LoadPngImage ERR: ReadPngFile Failed-1", "Error: LoadPngImage for "},
        {"wider than 65535", "A001_001.png", png_claiming(65536, 1),
         "ReadPngFile ERR: File too large", "Error: LoadPngImage for "},
        {"over the size limit", "A001_001.png",
         encode_png(1620, 1620, uniform_rgba(1620, 1620, 1, 2, 3, 4)),
         "ReadPngFile ERR: File too large", "Error: LoadPngImage for "},
        {"header claims 60000 x 60000", "A001_001.png", png_claiming(60000, 60000),
         "ReadPngFile ERR: File too large", "Error: LoadPngImage for "},
        {"BMP of 24 bits", "A001_001.bmp", make_bmp(4, 2, std::vector<uint16_t>(8, 1), bits24),
         "load_bmp_image: ", "Error: LoadBmpImage for "},
        {"BMP of negative width", "A001_001.bmp",
         with_le32(good_bmp, testing::kBmpWidthField, static_cast<uint32_t>(-4)),
         "load_bmp_image: ", "Error: LoadBmpImage for "},
        {"BMP cut short", "A001_001.bmp", truncated(good_bmp, good_bmp.size() - 3),
         "load_bmp_image: ", "Error: LoadBmpImage for "},
    };
    for (const BadInput& c : cases) {
        PackerWorkspace workspace(built_packer());
        write_bytes(workspace.image(c.name), c.bytes);
        const ProcessResult result = workspace.run();
        const std::string source = folder_of(workspace) + "/image/" + c.name;
        // Without a message of its own the verdict runs on from the progress line.
        std::string verdict = *c.message == '\0' ? "Zipping bitmap files:" : "";
        verdict += c.verdict + source;
        if (std::string(c.verdict).find("LoadBmp") != std::string::npos) {
            verdict += "result is-1";
        }
        const Lines lines = result.out_lines();
        ASSERT_GE(lines.size(), 4u) << c.what;
        EXPECT_EQ(Lines(lines.end() - 4, lines.end()),
                  (Lines{verdict, "", "", "Error: prepare_zip_files"}))
            << c.what << "\n"
            << result.out;
        EXPECT_NE(result.out.find(std::string("\nZipping bitmap files:") + c.message),
                  std::string::npos)
            << c.what << "\n"
            << result.out;
        EXPECT_EQ(result.exit_status, kFailureStatus) << c.what;
        // Standard error says what the tool's lines do not, on a line of its own.
        EXPECT_EQ(result.err, std::string(c.what) == "greyscale"
                                  ? "\nframestow: " + source +
                                        ": greyscale pictures are not supported; save it as RGB "
                                        "or RGBA\n"
                                  : result.err)
            << c.what;
        EXPECT_FALSE(fs::exists(workspace.staged("image_zip", c.name))) << c.what;
        EXPECT_FALSE(fs::exists(workspace.output("BitmapMapping.cpp"))) << c.what;
    }
}

TEST(PreparationEndToEnd, AMissingOrEmptyImageFolderEndsTheRun) {
    for (const bool remove_image_folder : {true, false}) {
        PackerWorkspace workspace(built_packer());
        if (remove_image_folder) {
            fs::remove(workspace.root() / "image");
        }
        fs::create_directory(workspace.root() / "output");
        write_text(workspace.output("gui01.bin"), "from an earlier run");
        const ProcessResult result = workspace.run();
        const std::string root = folder_of(workspace);
        EXPECT_EQ(
            result.out_lines(),
            concat(start_lines(root),
                   Lines{"Can't find the files in the path: " + root + "/image/*.png",
                         "Can't find the files in the path: " + root + "/image/*.bmp",
                         "The path is empty: " + root + "/image/*.bmpand " + root + "/image/*.png",
                         "", "Error: prepare_zip_files"}));
        EXPECT_EQ(result.exit_status, kFailureStatus);
        EXPECT_TRUE(fs::is_directory(workspace.root() / "image"));
        EXPECT_EQ(testing::read_text(workspace.output("gui01.bin")), "from an earlier run");
    }
}

TEST(PreparationEndToEnd, AnUnwritableTempFolderFailsThePicture) {
    PackerWorkspace workspace(built_packer());
    add_three_red_pixels(workspace, "A001_001.png");
    // A file where the temp folder should be: nothing can be created inside it, even as root.
    write_text(workspace.root() / "temp", "not a folder");
    const ProcessResult result = workspace.run();
    const std::string root = folder_of(workspace);
    const Lines lines = result.out_lines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(Lines(lines.end() - 5, lines.end()),
              (Lines{"Zipping bitmap files:LoadPngImage ERR: OutPutPng Failed-1",
                     "Error: LoadPngImage for " + root + "/image/A001_001.png", "", "",
                     "Error: prepare_zip_files"}));
    EXPECT_EQ(result.exit_status, kFailureStatus);
}

TEST(PreparationEndToEnd, ADiskThatFillsUpFailsTheCompressedImageFile) {
    PackerWorkspace workspace(built_packer());
    workspace.write_config(kBlockFormConfig);
    // 1024 different pixels: a 4104-byte bitmap file, but a 4107-byte compressed image file.
    write_png(workspace.image("A001_001.png"), 32, 32, noisy_rgba(32, 32));
    const ProcessResult result = workspace.run({}, 4106);
    const std::string zip_path = folder_of(workspace) + "/temp/image_zip/A001_001.png";
    const Lines lines = result.out_lines();
    ASSERT_GE(lines.size(), 5u) << result.out;
    EXPECT_EQ(
        Lines(lines.end() - 5, lines.end()),
        (Lines{"Zipping bitmap files:simpleZip: Error to write file." + zip_path,
               "Error: convertBitmaptoZip for " + zip_path, "", "", "Error: prepare_zip_files"}));
    EXPECT_EQ(result.exit_status, kFailureStatus);
}

}  // namespace
}  // namespace framestow::e2e
