#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/platform.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace framestow::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::write_text;

TEST(Folders, CreateOneLevelAndTellFoldersFromFiles) {
    TempFolder folder;
    const std::string made = folder.file("temp/");
    EXPECT_FALSE(folder_exists(made));
    EXPECT_TRUE(create_folder(made));
    EXPECT_TRUE(folder_exists(made));
    EXPECT_FALSE(create_folder(made)) << "an existing folder is not created again";

    EXPECT_FALSE(create_folder(folder.file("missing/child/"))) << "only one level is created";
    EXPECT_FALSE(folder_exists(folder.file("missing/")));

    write_text(folder.file("plain"), "x");
    EXPECT_FALSE(folder_exists(folder.file("plain")));
    EXPECT_FALSE(folder_exists(folder.file("plain/")));
}

TEST(Folders, CreatedFolderHonoursTheUmask) {
    TempFolder folder;
    const mode_t previous = ::umask(027);
    const bool created = create_folder(folder.file("masked"));
    ::umask(previous);
    ASSERT_TRUE(created);
    EXPECT_EQ(fs::status(folder.file("masked")).permissions(),
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

TEST(DeleteFilesIn, DeletesFilesDirectlyInsideAndKeepsFolders) {
    TempFolder folder;
    const fs::path zip = folder.path() / "image_zip";
    fs::create_directories(zip / "sub");
    fs::create_directories(folder.path() / "elsewhere");
    for (const char* name : {"A001_001.png", ".hidden", "with space;rm -rf *", "*"}) {
        write_text(zip / name, "x");
    }
    write_text(zip / "sub" / "inner.png", "x");
    write_text(folder.path() / "elsewhere" / "kept.png", "x");
    fs::create_directory_symlink(folder.path() / "elsewhere", zip / "link_to_folder");
    fs::create_symlink(folder.path() / "elsewhere" / "kept.png", zip / "link_to_file");

    EXPECT_EQ(delete_files_in(zip.string() + "/"), std::vector<std::string>{});

    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder.path())) {
        left.push_back(fs::relative(entry.path(), folder.path()).string());
    }
    std::sort(left.begin(), left.end());
    // Links are removed as links; what they point to stays.
    EXPECT_EQ(left, (std::vector<std::string>{"elsewhere", "elsewhere/kept.png", "image_zip",
                                              "image_zip/sub", "image_zip/sub/inner.png"}));
}

TEST(DeleteFilesIn, MissingFolderIsHarmless) {
    TempFolder folder;
    EXPECT_EQ(delete_files_in(folder.file("missing/")), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(folder.path()));
}

}  // namespace
}  // namespace framestow::platform
