#include "packaging/bin_list.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/files.h"
#include "support/stdout_capture.h"
#include "support/temp_folder.h"

namespace framestow {
namespace {

using testing::joined_lines;
using testing::StdoutCapture;
using testing::TempFolder;
using testing::write_text;

TEST(ParseVersion, GivesMarkerAndOneByteForEachNumber) {
    struct Case {
        const char* version;
        std::array<uint8_t, 4> bytes;
    };
    const Case cases[] = {
        {"1.0.3.12", {1, 0, 3, 12}},
        {"1.2.3.4", {1, 2, 3, 4}},
        {"2.1", {2, 1, 1, 1}},
        {"7", {7, 7, 7, 7}},
        {"", {0, 0, 0, 0}},
        {"256", {0, 0, 0, 0}},
        {"1.2.3.4.5", {1, 2, 3, 4}},
        {"x.300.-1", {0, 44, 255, 255}},
        // Numbers beyond 32 bits are clamped, as the Windows runtime's atoi does.
        {"4294967297.-4294967297", {255, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const BinHeader header = parse_version(c.version);
        const std::array<uint8_t, 8> expected = {0x55,       0x55,       0x55,       0x55,
                                                 c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3]};
        EXPECT_EQ(header.bytes, expected) << c.version;
    }
}

TEST(NextBinName, CountsUpThroughTheDigitWidths) {
    EXPECT_EQ(next_bin_name("gui00.bin", 0), "gui01.bin");
    EXPECT_EQ(next_bin_name("gui09.bin", 9), "gui10.bin");
    EXPECT_EQ(next_bin_name("gui99.bin", 99), "gui100.bin");
    EXPECT_EQ(next_bin_name("gui100.bin", 100), "gui101.bin");
}

TEST(ReadAppList, ReadsSectionsUntilTheFirstGap) {
    TempFolder folder;
    const std::string config = folder.file("config.ini");
    write_text(config, joined_lines({"[png]", "zip_type=1", "[gui01.bin]", "name=gui01.bin",
                                     "version=1.0.3.12", "app_list=A001,A002", "[gui02.bin]",
                                     "name=gui02.bin", "version=2.1", "app_list=A003",
                                     "[gui04.bin]", "name=gui04.bin", "app_list=A004"}));
    BinList bins = read_app_list(config);
    ASSERT_EQ(bins.count(), 2u);
    EXPECT_EQ(bins.record(1).name, "gui01.bin");
    EXPECT_EQ(bins.record(1).app_list, "A001,A002");
    EXPECT_EQ(bins.record(1).header.bytes[7], 12);
    EXPECT_EQ(bins.record(1).size, 0u);
    EXPECT_EQ(bins.record(2).name, "gui02.bin");
    EXPECT_EQ(bins.record(2).header.bytes[5], 1);
}

TEST(ReadAppList, StopsAtAWrongNameOrAMissingFile) {
    TempFolder folder;
    const std::string config = folder.file("config.ini");
    write_text(config, joined_lines({"[gui01.bin]", "name=gui1.bin", "app_list=A001", "[gui02.bin]",
                                     "name=gui02.bin", "app_list=A002"}));
    EXPECT_EQ(read_app_list(config).count(), 0u);
    EXPECT_EQ(read_app_list(folder.file("absent.ini")).count(), 0u);
}

TEST(ReadAppList, LongAppListClaimsItsLastApplication) {
    TempFolder folder;
    const std::string config = folder.file("config.ini");
    std::string apps;
    for (int app = 1; app <= 80; ++app) {
        apps += "A" + std::string(app < 10 ? "00" : "0") + std::to_string(app) + ",";
    }
    ASSERT_GT(apps.size(), 254u);
    write_text(config, joined_lines({"[gui01.bin]", "name=gui01.bin", ("app_list=" + apps)}));
    const BinList bins = read_app_list(config);
    StdoutCapture console;
    EXPECT_EQ(bins.get_bin_index("A080_001.png"), 1);
    EXPECT_EQ(console.take(), "");
}

TEST(BinList, FindsTheFirstPackageWhoseAppListHoldsThePrefix) {
    BinList bins;
    bins.add({"gui01.bin", 0, "A001,A002", {}});
    bins.add({"gui02.bin", 0, "A002,A003", {}});
    bins.add({"gui03.bin", 0, "A005A006", {}});
    bins.add({"gui04.bin", 0, "XYZ", {}});
    struct Case {
        const char* picture;
        int bin_index;
    };
    const Case cases[] = {
        {"A002_001.png", 1}, {"A003_005.png", 2},  {"A006_001.bmp", 3},
        {"XY", 4},           {"A004_001.png", -1},
    };
    StdoutCapture console;
    for (const Case& c : cases) {
        EXPECT_EQ(bins.get_bin_index(c.picture), c.bin_index) << c.picture;
    }
    EXPECT_EQ(console.take(), "get_bin_index: Error to find for A004_001.png\n");

    EXPECT_EQ(bins.get_bin_name("A003_005.png"), "gui02.bin");
    EXPECT_EQ(bins.get_bin_name("A009_001.png"), "");
    EXPECT_TRUE(bins.is_app_listed("A005"));
    EXPECT_FALSE(bins.is_app_listed("A009"));
    EXPECT_EQ(console.take(), "get_bin_index: Error to find for A009_001.png\n");
}

}  // namespace
}  // namespace framestow
