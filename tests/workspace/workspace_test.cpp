#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/stdout_capture.h"
#include "support/workspace_harness.h"

namespace framestow {
namespace {

namespace fs = std::filesystem;
using testing::StdoutCapture;
using testing::TempFolder;
using testing::write_text;

TEST(FindAllFilesTest, SkipsDotNamesAndCountsWhatItKeeps) {
    TempFolder folder;
    for (const char* name : {"a.png", ".b.png", "c.PNG", "d.bmp"}) {
        write_text(folder.path() / name, "x");
    }
    const std::string pattern = (folder.path() / "*.png").string();
    StdoutCapture capture;
    const std::vector<std::string> names = find_all_files(pattern);
    EXPECT_EQ(names, (std::vector<std::string>{"a.png", "c.PNG"}));
    EXPECT_EQ(capture.text(), "find_all_files: count: 2 with: " + pattern + "\n");
}

TEST(FindAllFilesTest, ReportsAPatternThatMatchesNothing) {
    TempFolder folder;
    for (const std::string& pattern :
         {(folder.path() / "*.png").string(), (folder.path() / "missing" / "*.png").string()}) {
        StdoutCapture capture;
        EXPECT_TRUE(find_all_files(pattern).empty());
        EXPECT_EQ(capture.text(), "Can't find the files in the path: " + pattern + "\n");
    }
}

TEST(FindAllFilesTest, AnEmptyFolderGivesACountOfZero) {
    TempFolder folder;
    const std::string pattern = folder.path().string() + "/*.*";
    StdoutCapture capture;
    EXPECT_TRUE(find_all_files(pattern).empty());
    EXPECT_EQ(capture.text(), "find_all_files: count: 0 with: " + pattern + "\n");
}

TEST(PrepareWorkspaceTest, CreatesFoldersThenCleansOnlyTheStagingFiles) {
    TempFolder folder;
    const fs::path root = folder.path();
    EXPECT_TRUE(prepare_workspace(root.string()).empty());
    for (const char* sub :
         {"image", "temp", "temp/image_bitmap", "temp/image_zip", "temp/image_unzip", "output"}) {
        EXPECT_TRUE(fs::is_directory(root / sub)) << sub;
    }

    const std::vector<fs::path> kept = {root / "image" / "A001_001.png",
                                        root / "output" / "gui01.bin",
                                        root / "temp" / "image_zip" / "sub" / "inner.png"};
    const std::vector<fs::path> deleted = {
        root / "temp" / "stale.txt", root / "temp" / "image_bitmap" / "A001_001.png",
        root / "temp" / "image_zip" / "A001_001.png", root / "temp" / "image_unzip" / ".hidden"};
    fs::create_directory(root / "temp" / "image_zip" / "sub");
    for (const fs::path& file : kept) {
        write_text(file, "keep");
    }
    for (const fs::path& file : deleted) {
        write_text(file, "stale");
    }
    EXPECT_EQ(prepare_workspace(root.string()), std::vector<std::string>{});
    for (const fs::path& file : kept) {
        EXPECT_TRUE(fs::exists(file)) << file;
    }
    for (const fs::path& file : deleted) {
        EXPECT_FALSE(fs::exists(file)) << file;
    }
}

}  // namespace
}  // namespace framestow
