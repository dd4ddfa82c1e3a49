// The Windows packer with one of its staging files held open by another program, as a picture
// viewer or a virus scanner holds it: the file cannot be deleted at start, so the run must end
// before any picture is read, naming the file, with output/ as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/test_pictures.h"
#include "support/workspace_harness.h"

extern char** environ;

namespace framestow {
namespace {

namespace fs = std::filesystem;
using testing::folder_contents;
using testing::FolderContents;
using testing::PackerWorkspace;
using testing::ProcessResult;
using testing::write_text;
using Lines = std::vector<std::string>;

// The helper program that holds a file open, started through wine in `folder`; it lets go when
// this object ends.
class HeldFile {
  public:
    HeldFile(const fs::path& folder, const std::string& relative_path)
        : ready_(folder / "held.ready"), release_(folder / "held.release") {
        const char* wine = std::getenv("FRAMESTOW_EMULATOR");
        std::vector<std::string> args = {wine != nullptr ? wine : "wine", FRAMESTOW_HOLD_OPEN,
                                         relative_path, ready_.filename().string(),
                                         release_.filename().string()};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        started_ = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~HeldFile() {
        write_text(release_, "");
        int status = 0;
        if (started_) {
            waitpid(pid_, &status, 0);
        }
        std::error_code ignored;
        fs::remove(ready_, ignored);
        fs::remove(release_, ignored);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // True once the helper holds the file; false when it did not get there within a minute.
    bool wait_until_held() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (started_ && !fs::exists(ready_) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return started_ && fs::exists(ready_);
    }

  private:
    fs::path ready_;
    fs::path release_;
    pid_t pid_ = 0;
    bool started_ = false;
};

TEST(WindowsStart, AStagingFileHeldOpenByAnotherProgramEndsTheRun) {
    PackerWorkspace workspace(FRAMESTOW_WINDOWS_PACKER);
    workspace.write_config("[gui01.bin]\nname=gui01.bin\nversion=1.0.0.1\napp_list=A001,A003\n");
    testing::write_png(workspace.image("A001_001.png"), 2, 1,
                       testing::uniform_rgba(2, 1, 1, 2, 3, 255));
    // Left by an earlier run for a picture that is gone since.
    fs::create_directories(workspace.root() / "temp" / "image_zip");
    write_text(workspace.staged("image_zip", "A003_001.png"), "earlier A003");
    write_text(workspace.staged("image_zip", "A001_001.png"), "earlier A001");
    fs::create_directory(workspace.root() / "output");
    write_text(workspace.output("gui01.bin"), "earlier package");
    const FolderContents output_before = folder_contents(workspace.root() / "output");

    ProcessResult result;
    {
        const HeldFile held(workspace.root(), "temp/image_zip/A003_001.png");
        ASSERT_TRUE(held.wait_until_held());
        result = workspace.run();
    }

    const std::string root = fs::canonical(workspace.root()).string();
    EXPECT_EQ(
        result.out_lines(),
        (Lines{"    Framestow1.4: The tool to generate gui.bin from png files",
               "Please download guixx.bin to flash and copy BitmapMapping.cpp to project.",
               "init_workspace: fail to delete file = " + root + "/temp/image_zip/A003_001.png", "",
               "Working path is: " + root, "Error: init_workspace"}));
    EXPECT_EQ(result.exit_status, 255);
    EXPECT_EQ(folder_contents(workspace.root() / "output"), output_before);
    EXPECT_EQ(folder_contents(workspace.root() / "temp"),
              (FolderContents{{"image_bitmap/", {}},
                              {"image_unzip/", {}},
                              {"image_zip/", {}},
                              {"image_zip/A003_001.png",
                               {'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 'A', '0', '0', '3'}}}));
}

}  // namespace
}  // namespace framestow
