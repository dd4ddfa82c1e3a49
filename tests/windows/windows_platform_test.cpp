// What the Windows platform layer must get right beyond the tests shared with POSIX: relative and
// long INI lookups, the runtime's short-name matches, read-only and hidden staging files, files
// past 4 GiB. The long program path is tested from outside, in long_program_path_test.cmake.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace framestow::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::write_text;
using Names = std::vector<std::string>;

TEST(WindowsIniLookup, RelativePathIsTheCurrentFolders) {
    TempFolder folder;
    write_text(folder.path() / "relative.ini", "[png]\nzip_type=1\n");
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    // Given to the profile lookup as it is, a bare name would be looked for in the Windows folder.
    const std::string value = read_ini_value("relative.ini", "png", "zip_type");
    fs::current_path(previous);
    EXPECT_EQ(value, "1");
}

TEST(WindowsIniLookup, ValueLongerThanEveryBufferStepIsWhole) {
    TempFolder folder;
    const std::string ini = folder.file("config.ini");
    for (const std::size_t length : {258u, 259u, 260u, 519u, 520u, 70000u}) {
        const std::string value(length, 'v');
        write_text(ini, "[s]\nk=" + value + "\n");
        EXPECT_EQ(read_ini_value(ini, "s", "k"), value) << length;
    }
}

TEST(WindowsWildcardSearch, ShortNamesDoNotWidenTheMatch) {
    TempFolder folder;
    // Their 8.3 short names end in ".PNG" or ".BMP", which the runtime's search also matches.
    for (const char* name : {"A001_001.pngx", "A001_002.bmp_old", "A001_003.png"}) {
        write_text(folder.path() / name, "x");
    }
    EXPECT_EQ(wildcard_search(folder.file("*.png")), Names{"A001_003.png"});
    EXPECT_EQ(wildcard_search(folder.file("*.bmp")), Names{});
}

TEST(WindowsWildcardSearch, BackslashesAndDriveRelativePatterns) {
    TempFolder folder;
    write_text(folder.path() / "A001_001.png", "x");
    fs::create_directory(folder.path() / "sub");
    std::string base = folder.path().string();
    EXPECT_EQ(wildcard_search(base + "\\*.png"), Names{"A001_001.png"});
    EXPECT_EQ(wildcard_search(base + "\\*.*"), (Names{".", "..", "A001_001.png", "sub"}));
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    const Names bare = wildcard_search("*.png");
    fs::current_path(previous);
    EXPECT_EQ(bare, Names{"A001_001.png"});
}

TEST(WindowsFolders, ExistenceAndCreationWithEitherSeparator) {
    TempFolder folder;
    const std::string base = folder.path().string();
    EXPECT_TRUE(folder_exists(base));
    EXPECT_TRUE(folder_exists(base + "\\"));
    EXPECT_FALSE(folder_exists(base + "\\temp\\"));
    EXPECT_TRUE(create_folder(base + "\\temp\\"));
    EXPECT_TRUE(folder_exists(base + "\\temp\\"));
    EXPECT_TRUE(folder_exists(base + "/temp"));
    EXPECT_FALSE(create_folder(base + "\\temp\\")) << "an existing folder is not created again";
    EXPECT_FALSE(create_folder(base + "\\missing\\child\\")) << "only one level is created";
    write_text(folder.path() / "plain", "x");
    EXPECT_FALSE(folder_exists(base + "\\plain"));
    EXPECT_FALSE(folder_exists(base + "\\plain\\"));
}

TEST(WindowsDeleteFilesIn, DeletesReadOnlyAndHiddenFilesAndKeepsFolders) {
    TempFolder folder;
    const fs::path zip = folder.path() / "image_zip";
    fs::create_directories(zip / "sub");
    for (const char* name : {"A001_001.png", "read_only.png", "hidden.png", ".dot", "a b;c&d"}) {
        write_text(zip / name, "x");
    }
    write_text(zip / "sub" / "inner.png", "x");
    SetFileAttributesA((zip / "read_only.png").string().c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((zip / "hidden.png").string().c_str(), FILE_ATTRIBUTE_HIDDEN);

    EXPECT_EQ(delete_files_in(zip.string() + "\\"), Names{});

    Names left;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder.path())) {
        left.push_back(fs::relative(entry.path(), folder.path()).generic_string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (Names{"image_zip", "image_zip/sub", "image_zip/sub/inner.png"}));
    EXPECT_EQ(delete_files_in(folder.path().string() + "\\missing\\"), Names{});
}

TEST(WindowsDeleteFilesIn, NamesTheFilesHeldOpenWithoutDeleteSharing) {
    TempFolder folder;
    const std::string zip = folder.path().string() + "\\image_zip\\";
    fs::create_directory(zip);
    for (const char* name : {"A001_001.png", "A002_001.png", "A003_001.png"}) {
        write_text(zip + name, "x");
    }
    // As a viewer holds a picture: others may read and write it, not delete it.
    const auto hold = [&zip](const char* name) {
        return CreateFileA((zip + name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    const HANDLE first = hold("A003_001.png");
    const HANDLE second = hold("A001_001.png");
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);

    const Names kept = delete_files_in(zip);
    CloseHandle(first);
    CloseHandle(second);

    EXPECT_EQ(kept, (Names{zip + "A001_001.png", zip + "A003_001.png"}));
    EXPECT_TRUE(fs::exists(zip + "A001_001.png"));
    EXPECT_FALSE(fs::exists(zip + "A002_001.png"));
    EXPECT_EQ(delete_files_in(zip), Names{}) << "once let go, they are deleted";
}

TEST(WindowsFile, LengthPastFourGibibytes) {
    TempFolder folder;
    const std::string path = folder.file("sparse.bin");
    write_text(path, "");
    constexpr uint64_t kLength = (uint64_t{5} << 30) + 3;
    fs::resize_file(path, kLength);
    File in = File::open_for_reading(path);
    ASSERT_TRUE(in.is_open());
    EXPECT_EQ(in.length(), kLength);
}

TEST(WindowsFile, BinaryBytesPassUnchanged) {
    TempFolder folder;
    const std::string path = folder.file("data.bin");
    // Text mode would turn "\n" into "\r\n" and stop reading at 0x1A.
    const std::string bytes("a\nb\r\n\x1A\x00z", 8);
    File out = File::open_for_writing(path);
    ASSERT_TRUE(out.write(bytes.data(), bytes.size()));
    ASSERT_TRUE(out.close());
    File in = File::open_for_reading(path);
    std::string read(16, '\0');
    read.resize(in.read(read.data(), read.size()));
    EXPECT_EQ(read, bytes);
    EXPECT_FALSE(in.read_failed());
}

}  // namespace
}  // namespace framestow::platform
