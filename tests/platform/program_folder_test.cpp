#include <errno.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace framestow::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// Runs `program` and returns what it printed.
std::string output_of(const fs::path& program) {
    const std::string command = "'" + program.string() + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << program;
        return {};
    }
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, got);
    }
    EXPECT_EQ(::pclose(pipe), 0) << program;
    return output;
}

TEST(ProgramFolder, IsTheFolderOfThisProgramsRealPath) {
    const fs::path invoked = ::program_invocation_name;
    if (!invoked.has_parent_path()) {
        GTEST_SKIP() << "started through the search path; its folder is not in argv[0]";
    }
    EXPECT_EQ(program_folder(), fs::canonical(invoked).parent_path().string());
}

TEST(ProgramFolder, ResolvesLinksToTheProgram) {
    TempFolder folder;
    const fs::path probe = fs::canonical(PROGRAM_FOLDER_PROBE);
    fs::create_directory(folder.path() / "links");
    fs::create_symlink(probe, folder.path() / "links" / "probe");
    EXPECT_EQ(output_of(folder.path() / "links" / "probe"), probe.parent_path().string());
}

TEST(ProgramFolder, LongPathIsFetchedWhole) {
    TempFolder folder;
    // Far beyond 260 characters and beyond the first read buffer, with a blank in every level.
    fs::path deep = fs::canonical(folder.path());
    for (int level = 0; level < 12; ++level) {
        deep /= std::string(60, static_cast<char>('a' + level)) + " x";
    }
    fs::create_directories(deep);
    fs::copy_file(PROGRAM_FOLDER_PROBE, deep / "probe");
    fs::permissions(deep / "probe", fs::perms::owner_all);
    EXPECT_EQ(output_of(deep / "probe"), deep.string());
}

}  // namespace
}  // namespace framestow::platform
