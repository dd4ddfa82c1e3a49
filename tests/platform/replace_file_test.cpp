#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "platform/platform.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace framestow::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::write_text;

// Every entry of the folder: a file by its bytes, a folder as "<folder>".
std::map<std::string, std::string> entries_of(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory()) {
            entries[name] = "<folder>";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            entries[name] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return entries;
}

TEST(ReplaceFile, TheNewFileTakesTheNameOrNothingChanges) {
    const struct {
        const char* what;
        bool source_exists;
        const char* at_final_name;  // nullptr: nothing; "<folder>": an empty folder
        bool replaced;
    } cases[] = {
        {"over an older file", true, "older bytes", true},
        {"over an empty file", true, "", true},
        {"no file of the name yet", true, nullptr, true},
        {"a folder stands at the name", true, "<folder>", false},
        {"the new file is missing", false, "older bytes", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string from = folder.file("gui01.bin.partial");
        const std::string to = folder.file("gui01.bin");
        if (c.source_exists) {
            write_text(from, "new bytes");
        }
        if (c.at_final_name != nullptr && std::string(c.at_final_name) == "<folder>") {
            fs::create_directory(to);
        } else if (c.at_final_name != nullptr) {
            write_text(to, c.at_final_name);
        }
        const std::map<std::string, std::string> before = entries_of(folder.path());

        EXPECT_EQ(replace_file(from, to), c.replaced);

        if (c.replaced) {
            EXPECT_EQ(entries_of(folder.path()),
                      (std::map<std::string, std::string>{{"gui01.bin", "new bytes"}}));
        } else {
            EXPECT_EQ(entries_of(folder.path()), before);
        }
    }
}

}  // namespace
}  // namespace framestow::platform
