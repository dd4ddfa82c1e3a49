#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace framestow::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TEST(File, WritesReadsAndMeasures) {
    TempFolder folder;
    const std::string path = folder.file("data.bin");
    testing::write_text(path, "older and longer content");
    File out = File::open_for_writing(path);
    ASSERT_TRUE(out.is_open());
    const std::string bytes("\x00\x1A\r\n\xFF", 5);
    EXPECT_TRUE(out.write(bytes.data(), bytes.size()));
    EXPECT_TRUE(out.write(bytes.data(), 0));
    EXPECT_TRUE(out.close());
    EXPECT_FALSE(out.is_open());
    EXPECT_EQ(fs::file_size(path), bytes.size()) << "opening for writing truncates";

    File in = File::open_for_reading(path);
    ASSERT_TRUE(in.is_open());
    std::array<char, 3> head{};
    ASSERT_EQ(in.read(head.data(), head.size()), 3u);
    EXPECT_EQ(in.length(), 5u);
    // Measuring leaves the reading position where it was.
    std::array<char, 8> rest{};
    EXPECT_EQ(in.read(rest.data(), rest.size()), 2u);
    EXPECT_EQ(std::string(head.data(), 3) + std::string(rest.data(), 2), bytes);
    EXPECT_FALSE(in.read_failed());
}

TEST(File, LengthBeyondFourGigabytes) {
    TempFolder folder;
    const std::string path = folder.file("sparse.bin");
    testing::write_text(path, "");
    constexpr uint64_t kLength = (uint64_t{1} << 32) + 7;
    fs::resize_file(path, kLength);
    File in = File::open_for_reading(path);
    EXPECT_EQ(in.length(), kLength);
}

TEST(File, FullDiskIsReportedOnClose) {
    // A few bytes fit the stream's buffer, so their failure only shows when it is flushed; a
    // large write fails at once and is reported again on close.
    for (const std::size_t size : {std::size_t{3}, std::size_t{1} << 20}) {
        File out = File::open_for_writing("/dev/full");
        ASSERT_TRUE(out.is_open());
        const std::string bytes(size, 'x');
        EXPECT_EQ(out.write(bytes.data(), bytes.size()), size == 3) << size;
        EXPECT_FALSE(out.close()) << size;
    }
    // Measuring flushes the buffer on the way; the failure of that flush must still count.
    File measured = File::open_for_writing("/dev/full");
    EXPECT_TRUE(measured.write("abc", 3));
    [[maybe_unused]] const std::optional<uint64_t> length = measured.length();
    EXPECT_FALSE(measured.close());
}

TEST(File, FolderOpenedForReadingReportsAReadError) {
    TempFolder folder;
    File in = File::open_for_reading(folder.path());
    if (!in.is_open()) {
        GTEST_SKIP() << "this system refuses to open a folder as a file";
    }
    char byte = 0;
    EXPECT_EQ(in.read(&byte, 1), 0u);
    EXPECT_TRUE(in.read_failed());
}

TEST(File, UnopenedFileFailsEveryOperation) {
    TempFolder folder;
    File missing = File::open_for_reading(folder.file("missing.bin"));
    EXPECT_FALSE(missing.is_open());
    File nowhere = File::open_for_writing(folder.file("missing/out.bin"));
    EXPECT_FALSE(nowhere.is_open());
    char byte = 0;
    EXPECT_EQ(nowhere.read(&byte, 1), 0u);
    EXPECT_TRUE(nowhere.read_failed());
    EXPECT_FALSE(nowhere.write("x", 1));
    EXPECT_EQ(nowhere.length(), std::nullopt);
    EXPECT_FALSE(nowhere.close());
}

TEST(File, MovingHandsTheStreamOver) {
    TempFolder folder;
    const std::string path = folder.file("moved.bin");
    File first = File::open_for_writing(path);
    File second = std::move(first);
    EXPECT_FALSE(first.is_open());
    EXPECT_TRUE(second.write("ab", 2));
    File third;
    third = std::move(second);
    EXPECT_TRUE(third.close());
    EXPECT_EQ(fs::file_size(path), 2u);

    File full = File::open_for_writing("/dev/full");
    const std::string big(1 << 20, 'x');
    EXPECT_FALSE(full.write(big.data(), big.size()));
    File moved_full = std::move(full);
    EXPECT_FALSE(moved_full.close()) << "the failed write moves along with the stream";
}

}  // namespace
}  // namespace framestow::platform
