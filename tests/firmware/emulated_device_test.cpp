#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "support/firmware_harness.h"
#include "support/firmware_workspaces.h"

// The example firmware on every emulated core: built against the BitmapMapping.cpp of a real
// packer run, it reads the packages from the host and decodes every picture; each line it prints
// must match the check file that the packer wrote for that picture, or what the tables say about
// the number. A core whose compiler or emulator is missing fails.
namespace framestow::testing {
namespace {

struct WorkspaceCase {
    const char* name;
    FirmwareWorkspace (*fill)(const PackerWorkspace&);
};

class FirmwareOnEmulatedCore : public ::testing::TestWithParam<EmulatedCore> {};

TEST_P(FirmwareOnEmulatedCore, EveryPictureDecodesToItsCheckFile) {
    const WorkspaceCase cases[] = {{"demo", fill_demo_workspace},
                                   {"varied", fill_varied_workspace},
                                   {"colour", fill_colour_workspace}};
    // One build folder for both workspaces: the second build only compiles its own mapping.
    TempFolder build;
    for (const WorkspaceCase& workspace_case : cases) {
        SCOPED_TRACE(workspace_case.name);
        PackerWorkspace workspace(FRAMESTOW_PROGRAM);
        const FirmwareWorkspace expected = workspace_case.fill(workspace);
        const ProcessResult pack = workspace.run();
        ASSERT_EQ(pack.exit_status, 0) << pack.out;

        const ProcessResult device =
            run_firmware(GetParam().program, workspace.root() / "output", build.path(),
                         expected.highest_app, expected.highest_picture);
        EXPECT_EQ(device.exit_status, 0) << device.out << device.err;
        EXPECT_EQ(differences_from_check_files(parse_firmware_answers(device.out), workspace.root(),
                                               expected.apps, expected.highest_app,
                                               expected.highest_picture),
                  std::vector<std::string>{});
    }
}

std::string core_test_name(const ::testing::TestParamInfo<EmulatedCore>& info) {
    std::string name;
    for (const char c : std::string(info.param.name)) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += c;
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cores, FirmwareOnEmulatedCore, ::testing::ValuesIn(emulated_cores()),
                         core_test_name);

}  // namespace
}  // namespace framestow::testing
