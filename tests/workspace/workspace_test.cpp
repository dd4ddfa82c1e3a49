#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/stdout_capture.h"
#include "support/workspace_harness.h"
#include "workspace/settings.h"

namespace framestow {
namespace {

namespace fs = std::filesystem;
using testing::StdoutCapture;
using testing::TempFolder;
using testing::write_text;

struct SettingsCase {
    const char* name;
    std::optional<std::string> config;  // no config.ini at all when empty
    std::optional<CompressionSettings> png;
    std::optional<CompressionSettings> bmp;
};

bool same(const std::optional<CompressionSettings>& a,
          const std::optional<CompressionSettings>& b) {
    if (a.has_value() != b.has_value()) {
        return false;
    }
    return !a || (a->bit_type == b->bit_type && a->block_len == b->block_len &&
                  a->zip_type == b->zip_type);
}

TEST(CompressionSettingsTest, SectionsAreReadAllOrNothing) {
    const SettingsCase cases[] = {
        {"no file", std::nullopt, std::nullopt, std::nullopt},
        {"both complete",
         "[png]\nbit_type=0\nblock_len=1\nzip_type=1\n\n[bmp]\nbit_type=0\nblock_len=1\nzip_type="
         "0\n",
         CompressionSettings{0, 1, 1}, CompressionSettings{0, 1, 0}},
        {"block_len missing", "[png]\nbit_type=0\nzip_type=1\n", std::nullopt, std::nullopt},
        {"empty value", "[png]\nbit_type=0\nblock_len=\nzip_type=1\n", std::nullopt, std::nullopt},
        {"letters count as zero", "[PNG]\nBIT_TYPE=abc\nblock_len= -5 \nzip_type=1x\n",
         CompressionSettings{0, -5, 1}, std::nullopt},
        {"values beyond 32 bits are clamped",
         "[bmp]\nbit_type=99999999999\nblock_len=-99999999999\nzip_type=+7\n", std::nullopt,
         CompressionSettings{2147483647, -2147483647 - 1, 7}},
        {"rubbish", "\x01\x02garbage\n=\n[\n", std::nullopt, std::nullopt},
    };
    for (const SettingsCase& c : cases) {
        TempFolder folder;
        const fs::path config = folder.path() / "config.ini";
        if (c.config) {
            write_text(config, *c.config);
        }
        const CodecSettings settings = read_codec_settings(config.string());
        EXPECT_TRUE(same(settings.png, c.png)) << c.name;
        EXPECT_TRUE(same(settings.bmp, c.bmp)) << c.name;
    }
}

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
    prepare_workspace(root.string());
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
