#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/replace_cases.h"

namespace framestow::platform {
namespace {

TEST(ReplaceFile, TheNewFileTakesTheNameOrNothingChanges) {
    testing::expect_replaced_in_one_step(
        "gui01.bin", [](const std::filesystem::path& from, const std::filesystem::path& to) {
            return replace_file(from.string(), to.string());
        });
}

}  // namespace
}  // namespace framestow::platform
