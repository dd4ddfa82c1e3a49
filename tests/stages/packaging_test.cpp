#include "stages/packaging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/stdout_capture.h"
#include "support/temp_folder.h"

namespace framestow {
namespace {

using namespace testing;

const std::string kHeader01 = std::string("\x55\x55\x55\x55\x01\x00\x00\x01", 8);
const std::string kHeader02 = std::string("\x55\x55\x55\x55\x02\x00\x00\x00", 8);

// A workspace as the preparation stage leaves it: compressed pictures in temp/image_zip and the
// package sections in config.ini.
class BinGenerationTest : public ::testing::Test {
  protected:
    BinGenerationTest() { std::filesystem::create_directories(output_folder()); }

    std::string zip_folder() const { return workspace.file("temp/image_zip/"); }
    std::string output_folder() const { return workspace.file("output/"); }
    std::string output(const std::string& name) const { return output_folder() + name; }

    void add_picture(const std::string& name, const std::string& bytes) {
        write_text(zip_folder() + name, bytes);
    }

    void write_three_packages() {
        write_text(
            workspace.file("config.ini"),
            joined_lines({"[gui01.bin]", "name=gui01.bin", "version=1.0.0.1", "app_list=A001,A002",
                          "[gui02.bin]", "name=gui02.bin", "version=2.0.0.0", "app_list=A003",
                          "[gui03.bin]", "name=gui03.bin", "version=3.0.0.0", "app_list=A009"}));
    }

    int run() {
        return generateBinFile(workspace.path().string(), zip_folder(), output_folder(),
                               "config.ini");
    }

    TempFolder workspace;
};

TEST_F(BinGenerationTest, PacksEachPackageAndWritesBothMappings) {
    write_three_packages();
    const std::string a001_001 = picture_bytes(50, 'a');
    const std::string a001_003 = picture_bytes(20, 'b');
    const std::string a003_001 = picture_bytes(30, 'c');
    add_picture("A001_001.png", a001_001);
    add_picture("A001_003.bmp", a001_003);
    add_picture("A003_001.png", a003_001);
    add_picture("A005_001.png", picture_bytes(10, 'd'));

    StdoutCapture console;
    EXPECT_EQ(run(), 0);
    const std::string unclaimed = "get_bin_index: Error to find for A005_001.png";
    EXPECT_EQ(console.take(),
              joined_lines({"find_all_files: count: 4 with: " + zip_folder() + "*.*", unclaimed,
                            "generate_gui_bin: " + output("gui01.bin"), " 0 1",
                            "generate_gui_bin: count = 2, size = 78", unclaimed,
                            "generate_gui_bin: " + output("gui02.bin"), " 0",
                            "generate_gui_bin: count = 1, size = 38", unclaimed, unclaimed,
                            "get_bin_index: Error to find for A004_000.png"}));
    EXPECT_EQ(read_text(output("gui01.bin")), kHeader01 + a001_001 + a001_003);
    EXPECT_EQ(read_text(output("gui02.bin")), kHeader02 + a003_001);
    EXPECT_FALSE(std::filesystem::exists(output("gui03.bin")));
    EXPECT_EQ(
        read_text(output("BitmapMapping.xml")),
        crlf_lines(
            {R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)", "<root>",
             R"(    <app app_id="A001">)",
             R"(        <image_item image_name="A001_001.png" image_size="50" image_offset="8"/>)",
             R"(        <image_item image_name="A001_002.png" image_size="0" image_offset="58"/>)",
             R"(        <image_item image_name="A001_003.bmp" image_size="20" image_offset="58"/>)",
             "    </app>", R"(    <app app_id="A003">)",
             R"(        <image_item image_name="A003_001.png" image_size="30" image_offset="8"/>)",
             "    </app>", "</root>"}));
    const std::string mapping = read_text(output("BitmapMapping.cpp"));
    EXPECT_NE(mapping.find(crlf_lines({"// gui01.bin: version = 1.0.0.1  size = 78",
                                       "// gui02.bin: version = 2.0.0.0  size = 38",
                                       "// gui03.bin: version = 3.0.0.0  size = 0"})),
              std::string::npos);
}

TEST_F(BinGenerationTest, BadNameStopsBeforeAnythingIsWritten) {
    write_three_packages();
    add_picture("A001_001.png", "x");
    add_picture("A001_01.png", "y");

    StdoutCapture console;
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(console.take(),
              joined_lines({"find_all_files: count: 2 with: " + zip_folder() + "*.*",
                            "check_all_files_name: Error for A001_01.png"}));
    EXPECT_TRUE(std::filesystem::is_empty(output_folder()));
}

TEST_F(BinGenerationTest, NoPicturesAndNoPackagesStillWriteTheMappings) {
    std::filesystem::create_directories(zip_folder());

    StdoutCapture console;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(console.take(), "find_all_files: count: 0 with: " + zip_folder() + "*.*\n");
    EXPECT_EQ(read_text(output("BitmapMapping.xml")),
              crlf_lines({R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)", "<root/>"}));
    EXPECT_NE(read_text(output("BitmapMapping.cpp")).find("#define BITMAP_APP_COUNT 0\r\n"),
              std::string::npos);
}

TEST_F(BinGenerationTest, AFailedStageLeavesTheOutputFolderAsItWas) {
    write_three_packages();
    add_picture("A001_001.png", picture_bytes(5, 'e'));
    add_picture("A003_001.png", picture_bytes(6, 'f'));
    write_text(output("gui02.bin"), "earlier gui02.bin");
    // A folder stands where the first package should go; it is found when the files written
    // under temporary names are to take their final names, and then none does.
    std::filesystem::create_directories(output("gui01.bin"));

    StdoutCapture console;
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(console.take(),
              joined_lines({"find_all_files: count: 2 with: " + zip_folder() + "*.*",
                            "generate_gui_bin: " + output("gui01.bin"), " 0",
                            "generate_gui_bin: count = 1, size = 13",
                            "generate_gui_bin: " + output("gui02.bin"), " 0",
                            "generate_gui_bin: count = 1, size = 14",
                            "generateBinFile: fail to save file = " + output("gui01.bin")}));
    EXPECT_EQ(read_text(output("gui02.bin")), "earlier gui02.bin");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(output_folder())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"gui01.bin", "gui02.bin"}));
}

TEST_F(BinGenerationTest, MissingOutputFolderLosesEveryFile) {
    write_three_packages();
    add_picture("A001_001.png", picture_bytes(5, 'g'));
    std::filesystem::remove(output_folder());

    StdoutCapture console;
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(
        console.take(),
        joined_lines(
            {"find_all_files: count: 1 with: " + zip_folder() + "*.*",
             "generate_gui_bin: " + output("gui01.bin"), " 0",
             "generate_gui_bin: count = 1, size = 18446744073709551615",
             "Packaged bin size is 18446744073709551615 byte", "Error: Total file size is 13 byte",
             "generate_multi_mapping_cpp: fail to open file = " + output("BitmapMapping.cpp"),
             "generateBinFile: fail to save file = " + output("BitmapMapping.xml")}));
}

}  // namespace
}  // namespace framestow
