// framestow-inspect built for Windows, run under wine on a workspace that the Linux packer
// packed, must print and write what the Linux build does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/firmware_workspaces.h"
#include "support/workspace_harness.h"

namespace framestow {
namespace {

namespace fs = std::filesystem;
using testing::PackerWorkspace;
using testing::ProcessResult;

TEST(InspectOnWindows, ListsVerifiesAndExtractsAsTheLinuxBuildDoes) {
    PackerWorkspace workspace(FRAMESTOW_LINUX_PACKER);
    testing::fill_varied_workspace(workspace);
    ASSERT_EQ(workspace.run().exit_status, 0);
    const std::vector<std::vector<std::string>> commands = {
        {"list", "output", "--json"},
        {"list", "output"},
        {"verify", "output", "--workspace", "."},
        {"extract", "output", "linux"},
    };
    for (std::vector<std::string> args : commands) {
        SCOPED_TRACE(args.front());
        const ProcessResult on_linux =
            testing::run_program(FRAMESTOW_LINUX_INSPECT, args, workspace.root());
        if (args.front() == "extract") {
            args.back() = "windows";
        }
        const ProcessResult on_windows =
            testing::run_program(FRAMESTOW_WINDOWS_INSPECT, args, workspace.root());
        EXPECT_EQ(on_linux.exit_status, 0) << on_linux.out << on_linux.err;
        EXPECT_EQ(on_windows.exit_status, on_linux.exit_status) << on_windows.err;
        if (args.front() != "extract") {
            EXPECT_EQ(on_windows.out, on_linux.out);
        }
    }
    for (const auto& entry : fs::directory_iterator(workspace.root() / "linux")) {
        const fs::path twin = workspace.root() / "windows" / entry.path().filename();
        EXPECT_EQ(testing::read_bytes(twin), testing::read_bytes(entry.path())) << twin;
    }
}

}  // namespace
}  // namespace framestow
