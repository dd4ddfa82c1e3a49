// Hexfold's own file operations: a new file beside the output that truncates nothing, and the
// replacement of the output by it.
#include "file_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "support/replace_cases.h"

namespace hexfold {
namespace {

namespace fs = std::filesystem;

class HexfoldFileSystem : public ::testing::Test {
  protected:
    std::map<std::string, std::string> contents() const {
        return framestow::testing::folder_entries(dir_);
    }

    framestow::testing::TempFolder folder_;
    const fs::path dir_ = folder_.path();
};

TEST_F(HexfoldFileSystem, NewFilesBesideTheOutputTruncateNothing) {
    const fs::path output = dir_ / "ui_bitmap_mapping.bin";
    framestow::testing::write_text(output, "earlier");
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

TEST(HexfoldReplaceFile, TheNewFileTakesTheNameOrNothingChanges) {
    framestow::testing::expect_replaced_in_one_step("ui_bitmap_mapping.bin", replace_file);
}

}  // namespace
}  // namespace hexfold
