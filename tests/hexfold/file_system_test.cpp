// Hexfold's own file operations: a new file beside the output that truncates nothing, and the
// replacement of the output by it.
#include "file_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include "support/temp_folder.h"

namespace hexfold {
namespace {

namespace fs = std::filesystem;

class HexfoldFileSystem : public ::testing::Test {
  protected:
    void write_file(const fs::path& path, const std::string& bytes) const {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // Every entry of the folder: a file by its bytes, a folder as "<folder>".
    std::map<std::string, std::string> contents() const {
        std::map<std::string, std::string> entries;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir_)) {
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

    framestow::testing::TempFolder folder_;
    const fs::path dir_ = folder_.path();
};

TEST_F(HexfoldFileSystem, NewFilesBesideTheOutputTruncateNothing) {
    const fs::path output = dir_ / "ui_bitmap_mapping.bin";
    write_file(output, "earlier");
    const std::optional<NewFile> first = create_file_beside(output);
    const std::optional<NewFile> second = create_file_beside(output);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->path, second->path);
    for (const NewFile& created : {*first, *second}) {
        EXPECT_EQ(std::fclose(created.stream), 0) << created.path;
        EXPECT_EQ(fs::canonical(created.path.parent_path()), fs::canonical(dir_)) << created.path;
        EXPECT_EQ(fs::file_size(created.path), 0u) << created.path;
    }
    EXPECT_EQ(contents().at("ui_bitmap_mapping.bin"), "earlier");
    EXPECT_EQ(contents().size(), 3u);

    EXPECT_FALSE(create_file_beside(dir_ / "missing" / "ui_bitmap_mapping.bin"));
}

TEST_F(HexfoldFileSystem, TheNewFileTakesTheNameOrNothingChanges) {
    const fs::path from = dir_ / "ui_bitmap_mapping.bin.tmp";
    const fs::path to = dir_ / "ui_bitmap_mapping.bin";
    const struct {
        const char* what;
        bool source_exists;
        const char* at_final_name;  // nullptr: nothing; "<folder>": an empty folder
        bool replaced;
    } cases[] = {
        {"over an older file", true, "older bytes", true},
        {"no file of the name yet", true, nullptr, true},
        {"a folder stands at the name", true, "<folder>", false},
        {"the new file is missing", false, "older bytes", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(to);
        fs::remove(from);
        if (c.source_exists) {
            write_file(from, "new bytes");
        }
        if (c.at_final_name != nullptr && std::string(c.at_final_name) == "<folder>") {
            fs::create_directory(to);
        } else if (c.at_final_name != nullptr) {
            write_file(to, c.at_final_name);
        }
        const std::map<std::string, std::string> before = contents();

        EXPECT_EQ(replace_file(from, to), c.replaced);

        if (c.replaced) {
            EXPECT_EQ(contents(),
                      (std::map<std::string, std::string>{{"ui_bitmap_mapping.bin", "new bytes"}}));
        } else {
            EXPECT_EQ(contents(), before);
        }
    }
}

}  // namespace
}  // namespace hexfold
