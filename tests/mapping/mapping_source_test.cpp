#include "mapping/mapping_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/mapping_text.h"
#include "support/stdout_capture.h"
#include "support/temp_folder.h"

namespace framestow {
namespace {

using testing::crlf_lines;
using testing::crlf_text;
using testing::get_png_offset_lines;
using testing::mapping_header_lines;
using testing::read_text;
using testing::StdoutCapture;
using testing::TempFolder;
using testing::zero_count_table;

TEST(GenerateMultiMappingCpp, WritesHeaderSectionsAppsTableAndLookUp) {
    BinList bins;
    bins.add({"gui01.bin", 40960, "A001,A002", parse_version("1.0.2.3")});
    bins.add({"gui02.bin", 0, "A009", parse_version("0.0.0.1")});
    std::string package_tables;
    StdoutCapture console;
    generate_bin_mapping_section(package_tables, bins,
                                 {{"A001_001.png", 1200, 8},
                                  {"A001_002.png", 0, 1208},
                                  {"A001_003.png", 340, 1208},
                                  {"A002_001.png", 512, 1548}});
    TempFolder folder;
    const std::string path = folder.file("BitmapMapping.cpp");

    StagedOutput output{path, path, platform::File::open_for_writing(path)};
    EXPECT_EQ(generate_multi_mapping_cpp(
                  package_tables, bins,
                  {"A001_001.png", "A001_003.png", "A002_001.png", "A004_001.png"}, output),
              0);
    EXPECT_EQ(console.take(),
              "get_bin_index: Error to find for A004_001.png\n"
              "get_bin_index: Error to find for A003_000.png\n");
    EXPECT_EQ(
        read_text(path),
        crlf_text(mapping_header_lines()) +
            crlf_lines(
                {"// gui01.bin: version = 1.0.2.3  size = 40960",
                 "// gui02.bin: version = 0.0.0.1  size = 0", "", "// gui01.bin",
                 "TEXT_LOCATION_FLASH_PRAGMA",
                 "const BitmapAttribute bitmapsA001[3] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 3: "
                 "the number of pictures of A001 module",
                 "    { 8, 1200 }, // 0: A001_001.png = { offset, size }",
                 "    { 1208, 0 }, // 1: There's no A001_002.png",
                 "    { 1208, 340 } // 2: A001_003.png = { offset, size }", "};", "",
                 "TEXT_LOCATION_FLASH_PRAGMA",
                 "const BitmapAttribute bitmapsA002[1] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 1: "
                 "the number of pictures of A002 module",
                 "    { 1548, 512 } // 0: A002_001.png = { offset, size }", "};", "",
                 "// Count = 0 for the following app"}) +
            crlf_text(zero_count_table("A003")) + crlf_text(zero_count_table("A004")) +
            crlf_lines({
                "#define BITMAP_APP_COUNT 4",
                "// Define all the apps headers here to point the bitmap address",
                "TEXT_LOCATION_FLASH_PRAGMA",
                "const AppIndexAttribute apps[BITMAP_APP_COUNT] TEXT_LOCATION_FLASH_ATTRIBUTE = {",
                "    { 1, 3, bitmapsA001 }, // 0: A001",
                "    { 1, 1, bitmapsA002 }, // 1: A002",
                "    { -1, 0, bitmapsA003 }, // 2: A003",
                "    { -1, 0, bitmapsA004 } // 3: A004",
                "};",
                "",
            }) +
            crlf_text(get_png_offset_lines()));
}

TEST(GenerateMultiMappingCpp, NoPicturesGiveAnEmptyAppsTable) {
    BinList bins;
    std::string zero_count;
    std::string apps;
    generate_app_index_table(bins, {}, zero_count, apps);
    EXPECT_EQ(zero_count, crlf_lines({"// Count = 0 for the following app"}));
    EXPECT_EQ(apps, crlf_lines({"#define BITMAP_APP_COUNT 0",
                                "// Define all the apps headers here to point the bitmap address",
                                "TEXT_LOCATION_FLASH_PRAGMA",
                                "const AppIndexAttribute apps[BITMAP_APP_COUNT] "
                                "TEXT_LOCATION_FLASH_ATTRIBUTE = {"}) +
                        "};");
}

TEST(GenerateMultiMappingCpp, ReportsAFileThatCannotBeOpenedOrWritten) {
    TempFolder folder;
    const std::string path = folder.file("missing/BitmapMapping.cpp");
    StdoutCapture console;
    // The lines name the final path, whatever name the file is written under.
    StagedOutput unopened{"final", path, platform::File::open_for_writing(path)};
    EXPECT_EQ(generate_multi_mapping_cpp("", BinList(), {"A002_001.png"}, unopened), -1);
    EXPECT_EQ(console.take(), "generate_multi_mapping_cpp: fail to open file = final\n");

    if (std::filesystem::exists("/dev/full")) {
        StagedOutput full{"/dev/full", "/dev/full", platform::File::open_for_writing("/dev/full")};
        EXPECT_EQ(generate_multi_mapping_cpp("", BinList(), {}, full), -1);
        EXPECT_EQ(console.take(), "generate_multi_mapping_cpp: fail to write file = /dev/full\n");
    }
}

}  // namespace
}  // namespace framestow
