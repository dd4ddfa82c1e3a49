#include "packaging/bin_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/stdout_capture.h"
#include "support/temp_folder.h"

namespace framestow {
namespace {

using testing::joined_lines;
using testing::picture_bytes;
using testing::read_text;
using testing::StdoutCapture;
using testing::TempFolder;
using testing::write_text;

// One package at a time through the four steps, as the packaging stage runs them.
struct PackageRun {
    int written;
    int measured;
    int checked;
    std::vector<std::string> files;
    std::vector<uint32_t> sizes;
    std::vector<uint32_t> offsets;
};

PackageRun run_package(BinList& bins, const std::string& zip_folder,
                       const std::vector<std::string>& bin_files, const std::string& bin_path) {
    PackageRun run{};
    StagedOutput package{bin_path, bin_path, platform::File::open_for_writing(bin_path)};
    run.written = generate_gui_bin(bins, zip_folder, bin_files, package);
    PackageEntries entries;
    run.measured = collect_sizes(bin_files, zip_folder, entries);
    compute_offsets(entries);
    run.checked = check_bin_sizes(bin_path, entries);
    for (const PackageEntry& entry : entries) {
        run.files.push_back(entry.name);
        run.sizes.push_back(entry.size);
        run.offsets.push_back(entry.offset);
    }
    return run;
}

class BinWriterTest : public ::testing::Test {
  protected:
    BinWriterTest() {
        bins.add({"gui01.bin", 0, "A001,A003", parse_version("1.2.3.4")});
        std::filesystem::create_directories(output_folder());
    }

    std::string zip_folder() const { return workspace.file("zip/"); }
    std::string output_folder() const { return workspace.file("output/"); }

    TempFolder workspace;
    BinList bins;
};

TEST_F(BinWriterTest, WritesHeaderAndPicturesBackToBack) {
    const std::string first = picture_bytes(100, 'a');
    const std::string second = picture_bytes(60, 'b');
    write_text(zip_folder() + "A001_001.png", first);
    write_text(zip_folder() + "A001_002.png", second);
    const std::string bin_path = output_folder() + "gui01.bin";
    // An earlier, longer package of the same name is replaced, never appended to.
    write_text(bin_path, std::string(500, 'x'));

    StdoutCapture console;
    const PackageRun run =
        run_package(bins, zip_folder(), {"A001_001.png", "A001_002.png"}, bin_path);
    EXPECT_EQ(console.take(), joined_lines({"generate_gui_bin: " + bin_path, " 0 1",
                                            "generate_gui_bin: count = 2, size = 168"}));
    EXPECT_EQ(run.written, 0);
    EXPECT_EQ(run.measured, 0);
    EXPECT_EQ(run.checked, 0);
    EXPECT_EQ(read_text(bin_path),
              std::string("\x55\x55\x55\x55\x01\x02\x03\x04") + first + second);
    EXPECT_EQ(bins.record(1).size, 168u);
    EXPECT_EQ(run.sizes, (std::vector<uint32_t>{100, 60}));
    EXPECT_EQ(run.offsets, (std::vector<uint32_t>{8, 108}));
}

TEST_F(BinWriterTest, PlaceholdersTakeTheOffsetOfTheNextPicture) {
    const std::string second = picture_bytes(40, 'c');
    const std::string fourth = picture_bytes(30, 'd');
    write_text(zip_folder() + "A003_002.png", second);
    write_text(zip_folder() + "A003_004.png", fourth);
    write_text(zip_folder() + "A003_005.png", "");
    const std::string bin_path = output_folder() + "gui01.bin";

    StdoutCapture console;
    const PackageRun run =
        run_package(bins, zip_folder(), {"A003_002.png", "A003_004.png", "A003_005.png"}, bin_path);
    EXPECT_EQ(console.take(), joined_lines({"generate_gui_bin: " + bin_path, " 0 1 2",
                                            "generate_gui_bin: count = 3, size = 78"}));
    EXPECT_EQ(run.checked, 0);
    EXPECT_EQ(read_text(bin_path),
              std::string("\x55\x55\x55\x55\x01\x02\x03\x04") + second + fourth);
    EXPECT_EQ(run.files, (std::vector<std::string>{"A003_001.png", "A003_002.png", "A003_003.png",
                                                   "A003_004.png", "A003_005.png"}));
    EXPECT_EQ(run.sizes, (std::vector<uint32_t>{0, 40, 0, 30, 0}));
    EXPECT_EQ(run.offsets, (std::vector<uint32_t>{8, 8, 48, 48, 78}));
}

TEST_F(BinWriterTest, MissingPictureFailsTheWriteAndTheChecks) {
    write_text(zip_folder() + "A001_001.png", picture_bytes(20, 'f'));
    const std::string bin_path = output_folder() + "gui01.bin";

    StdoutCapture console;
    const PackageRun run =
        run_package(bins, zip_folder(), {"A001_001.png", "A001_002.png"}, bin_path);
    EXPECT_EQ(console.take(),
              joined_lines({"generate_gui_bin: " + bin_path, " 0 1",
                            "generate_gui_bin: count = 2, size = 28",
                            "Packaged bin size is 28 byte", "Error: Total file size is 27 byte"}));
    EXPECT_EQ(run.written, -1);
    EXPECT_EQ(run.measured, -1);
    EXPECT_EQ(run.sizes, (std::vector<uint32_t>{20, 0xFFFFFFFFu}));
    EXPECT_EQ(run.checked, -2);
}

TEST_F(BinWriterTest, PackageThatCannotBeFullyWrittenFails) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "needs a device that refuses every write";
    }
    write_text(zip_folder() + "A001_001.png", picture_bytes(20, 'g'));
    StdoutCapture quiet;
    StagedOutput full{"/dev/full", "/dev/full", platform::File::open_for_writing("/dev/full")};
    EXPECT_EQ(generate_gui_bin(bins, zip_folder(), {"A001_001.png"}, full), -1);
}

TEST(CheckBinSizes, ReportsTotalsThatDisagree) {
    TempFolder folder;
    const std::string bin_path = folder.file("gui01.bin");
    write_text(bin_path, std::string(18, 'x'));
    StdoutCapture console;

    EXPECT_EQ(check_bin_sizes(bin_path, {{"A001_001.png", 10, 8}}), 0);
    EXPECT_EQ(console.take(), "");

    EXPECT_EQ(check_bin_sizes(bin_path, {{"A001_001.png", 4, 8}, {"A001_002.png", 6, 10}}), -2);
    EXPECT_EQ(console.take(), "Error: total_size(18) is not match offset and seze.\n");

    EXPECT_EQ(check_bin_sizes(bin_path, {{"A001_001.png", 12, 8}}), -2);
    EXPECT_EQ(console.take(), "Packaged bin size is 18 byte\nError: Total file size is 20 byte\n");
}

}  // namespace
}  // namespace framestow
