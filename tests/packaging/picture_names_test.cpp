#include "packaging/picture_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/stdout_capture.h"
#include "support/temp_folder.h"

namespace framestow {
namespace {

using testing::StdoutCapture;

TEST(CheckAllFilesName, AcceptsOnlyTheExactNameForm) {
    struct Case {
        const char* name;
        bool accepted;
    };
    const Case cases[] = {
        {"A001_001.png", true},  {"A999_999.bmp", true},  {"A001_1.png", false},
        {"B001_001.png", false}, {"A001-001.png", false}, {"A000_001.png", false},
        {"A001_000.png", false}, {"A001_001.jpg", false}, {"A001_001.PNG", false},
        {"a001_001.png", false}, {"A12x_001.png", false}, {"A1&2_005.png", false},
        {"A001_00x.png", false}, {"A 12_001.png", false}, {"A001_001.png.", false},
    };
    for (const Case& c : cases) {
        StdoutCapture console;
        EXPECT_EQ(check_all_files_name({c.name}), c.accepted ? 0 : -1) << c.name;
        EXPECT_EQ(
            console.take(),
            c.accepted ? "" : "check_all_files_name: Error for " + std::string(c.name) + "\n");
    }
}

TEST(CheckAllFilesName, StopsAtTheFirstBadNameAndRefusesRepeatedNumbers) {
    StdoutCapture console;
    EXPECT_EQ(check_all_files_name({"A001_001.png", "A000_001.png", "A001_002.bmp"}), -1);
    EXPECT_EQ(console.take(), "check_all_files_name: Error for A000_001.png\n");

    EXPECT_EQ(check_all_files_name({"A002_001.bmp", "A002_001.png", "A002_002.png"}), -1);
    EXPECT_EQ(console.take(), "check_all_files_name: Error for A002_001.png\n");

    EXPECT_EQ(check_all_files_name({}), 0);
    EXPECT_EQ(check_all_files_name({"A001_001.png", "A001_002.bmp", "A002_001.png"}), 0);
    EXPECT_EQ(console.take(), "");
}

TEST(CollectBinFiles, SelectsThePicturesOfOnePackage) {
    BinList bins;
    bins.add({"gui01.bin", 0, "A001", {}});
    bins.add({"gui02.bin", 0, "A002", {}});
    const std::vector<std::string> names = {"A001_001.png", "A002_001.png", "A001_002.png",
                                            "A003_001.png"};
    StdoutCapture console;

    EXPECT_EQ(collect_bin_files(bins, 1, names),
              (std::vector<std::string>{"A001_001.png", "A001_002.png"}));
    EXPECT_EQ(console.take(), "get_bin_index: Error to find for A003_001.png\n");
    EXPECT_TRUE(collect_bin_files(bins, 3, names).empty());

    EXPECT_EQ(package_file_name(1), "gui01.bin");
    EXPECT_EQ(package_file_name(12), "gui12.bin");
    EXPECT_EQ(package_file_name(100), "gui100.bin");
}

TEST(FillGaps, InsertsPlaceholdersBeforeEachRealPicture) {
    PackageEntries entries = {{"A001_002.png", 10}, {"A001_003.png", 11}, {"A002_001.bmp", 12},
                              {"A002_003.bmp", 13}, {"A003_002.png", 14}, {"A003_003.png", 15},
                              {"A003_006.png", 16}};
    fill_gaps(entries);
    std::vector<std::string> names;
    std::vector<uint32_t> sizes;
    for (const PackageEntry& entry : entries) {
        names.push_back(entry.name);
        sizes.push_back(entry.size);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A001_001.png", "A001_002.png", "A001_003.png",
                                               "A002_001.bmp", "A002_002.png", "A002_003.bmp",
                                               "A003_001.png", "A003_002.png", "A003_003.png",
                                               "A003_004.png", "A003_005.png", "A003_006.png"}));
    EXPECT_EQ(sizes, (std::vector<uint32_t>{0, 10, 11, 12, 0, 13, 0, 14, 15, 0, 0, 16}));
}

}  // namespace
}  // namespace framestow
