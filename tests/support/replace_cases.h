#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>

#include "support/files.h"
#include "support/temp_folder.h"

// The cases that a function giving a finished file the name of an output in one step must pass.
// The packer's platform layer and Hexfold each have such a function of their own.
namespace framestow::testing {

// Every entry of `folder`: a file by its bytes, a folder as "<folder>".
inline std::map<std::string, std::string> folder_entries(const std::filesystem::path& folder) {
    std::map<std::string, std::string> entries;
    for (const std::filesystem::directory_entry& entry :
         std::filesystem::directory_iterator(folder)) {
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

using ReplaceFunction =
    std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)>;

// Runs `replace` in a fresh folder from `name`.partial to `name`: over an older file, over an
// empty one, with no file of the name yet, with a folder at the name (refused), and without the
// new file (refused). A refusal leaves the folder as it was.
inline void expect_replaced_in_one_step(const std::string& name, const ReplaceFunction& replace) {
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
        const std::filesystem::path from = folder.path() / (name + ".partial");
        const std::filesystem::path to = folder.path() / name;
        if (c.source_exists) {
            write_text(from, "new bytes");
        }
        if (c.at_final_name != nullptr && std::string(c.at_final_name) == "<folder>") {
            std::filesystem::create_directory(to);
        } else if (c.at_final_name != nullptr) {
            write_text(to, c.at_final_name);
        }
        const std::map<std::string, std::string> before = folder_entries(folder.path());

        EXPECT_EQ(replace(from, to), c.replaced);

        if (c.replaced) {
            EXPECT_EQ(folder_entries(folder.path()),
                      (std::map<std::string, std::string>{{name, "new bytes"}}));
        } else {
            EXPECT_EQ(folder_entries(folder.path()), before);
        }
    }
}

}  // namespace framestow::testing
