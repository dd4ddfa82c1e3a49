// Hexfold's own file operations: a new file beside the output that truncates nothing, and the
// replacement of the output by it.
#include "file_system.h"

#include <gtest/gtest.h>

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
    const std::optional<fs::path> first = create_file_beside(output);
    const std::optional<fs::path> second = create_file_beside(output);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    for (const fs::path& created : {*first, *second}) {
        EXPECT_EQ(fs::canonical(created.parent_path()), fs::canonical(dir_)) << created;
        EXPECT_EQ(fs::file_size(created), 0u) << created;
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
