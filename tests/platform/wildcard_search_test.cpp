#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/platform.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace framestow::platform {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using Names = std::vector<std::string>;

TEST(WildcardSearch, MatchesLikeTheWindowsRuntime) {
    TempFolder folder;
    for (const char* name :
         {"A001_001.png", "a002_001.PNG", "b.bmp", ".hidden.png", "noext", "x.png.bak", "ab.c.d"}) {
        write_text(folder.path() / name, "x");
    }
    fs::create_directory(folder.path() / "sub.png");
    const std::string base = folder.path().string() + "/";

    const Names everything = {".",      "..",    ".hidden.png", "A001_001.png", "a002_001.PNG",
                              "ab.c.d", "b.bmp", "noext",       "sub.png",      "x.png.bak"};
    const struct {
        const char* name_pattern;
        Names expected;
    } cases[] = {
        {"*.png", {".hidden.png", "A001_001.png", "a002_001.PNG", "sub.png"}},
        {"*.PnG", {".hidden.png", "A001_001.png", "a002_001.PNG", "sub.png"}},
        {"*.*", everything},
        {"*", everything},
        {"noext.*", {"noext"}},
        {"ab.*", {"ab.c.d"}},
        {"?.bmp", {"b.bmp"}},
        {"??.bmp", {}},
        {"a00?_*.png", {"A001_001.png", "a002_001.PNG"}},
        {"*.png*", {".hidden.png", "A001_001.png", "a002_001.PNG", "sub.png", "x.png.bak"}},
        {"*.bmp", {"b.bmp"}},
        {"*.jpg", {}},
        {"noext", {"noext"}},
        {"*o*t", {"noext"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wildcard_search(base + c.name_pattern), c.expected) << c.name_pattern;
    }
}

TEST(WildcardSearch, OrdersByUpperCasedBytes) {
    TempFolder folder;
    // Upper-cased, '_' (0x5F) sorts after the letters; lower-cased it would sort before them.
    for (const char* name : {"B", "a_b", "A1", "Ab", "abc", "ABC", "~"}) {
        write_text(folder.path() / name, "x");
    }
    Names expected = {".", "..", "A1", "Ab", "ABC", "abc", "a_b", "B", "~"};
    if (fs::equivalent(folder.path() / "ABC", folder.path() / "abc")) {
        // A file system that ignores case (as on Windows) holds the two names as one file.
        std::erase(expected, "ABC");
    }
    EXPECT_EQ(wildcard_search(folder.file("*")), expected);
}

TEST(WildcardSearch, EmptyForMissingFolder) {
    TempFolder folder;
    EXPECT_EQ(wildcard_search(folder.file("missing/*.*")), Names{});
    write_text(folder.path() / "file", "x");
    EXPECT_EQ(wildcard_search(folder.file("file/*.*")), Names{});
}

TEST(WildcardSearch, EmptyFolderStillYieldsItsDotEntries) {
    TempFolder folder;
    EXPECT_EQ(wildcard_search(folder.file("*.*")), (Names{".", ".."}));
    EXPECT_EQ(wildcard_search(folder.file("*.png")), Names{});
}

}  // namespace
}  // namespace framestow::platform
